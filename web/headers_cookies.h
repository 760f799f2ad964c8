// The header and cookie work around one exchange: completing the caller's
// request headers with the defaults, reading status, cookies and redirect
// target out of the raw response headers, and merging cookies.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qf {

// `cookies` nullptr: the caller supplied none. The block always ends in CR LF.
std::string BuildRequestHeaders(const std::string& headers, int methodIndex, const std::string* cookies);

// `location` is written only when a Location line is there. When `mergeCookies`
// is true and `cookies` is supplied, both receive the merged cookie text.
void ReadResponseHeaders(std::u16string_view rawHeaders, std::string& returnedHeaders, std::string& statusText,
                         std::string& returnedCookies, std::string& location, std::string* cookies,
                         bool mergeCookies);

// Leaves the merged text in `oldCookies` too.
std::string MergeCookies(std::string& oldCookies, const std::string& newCookies);

std::string CookieName(std::string_view pair);
bool HasCookieNamed(const std::vector<std::string>& pairs, std::string_view name);
std::string RemoveDuplicateItems(std::string_view text, std::string_view separator);
// 1-based position of the first item equal to `item`, or -1.
int IndexOfItem(const std::vector<std::string>& items, std::string_view item);
// "#引号" in a marker stands for a double quote. `startPosition` counts bytes from 1.
std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                        int startPosition = 1, bool ignoreCase = false);

}  // namespace qf
