// One blocking HTTP or HTTPS request. The result is the response body as GBK
// text, or empty text when a step failed; `statusText` then holds the step's
// numbered message. Output arguments are the caller's variables: pass nullptr
// to leave one out. Whether `cookies` is supplied at all (non-null) decides the
// cookie handling.
#pragma once

#include <string>

namespace qf {

std::string FetchUrl(const std::string& url,
                     int methodIndex = 0,
                     const std::string& body = {},
                     std::string* cookies = nullptr,
                     std::string* returnedCookies = nullptr,
                     const std::string& headers = {},
                     std::string* returnedHeaders = nullptr,
                     bool forbidRedirects = false,
                     const std::string& userName = {},
                     const std::string& password = {},
                     const std::string& proxy = {},
                     const std::string& proxyUser = {},
                     const std::string& proxyPassword = {},
                     int timeoutSeconds = 0,
                     std::string* location = nullptr,
                     std::string* statusText = nullptr,
                     std::string* responseBytes = nullptr,
                     bool mergeCookies = true);

}  // namespace qf
