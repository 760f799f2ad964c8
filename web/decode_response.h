// Turns a response body into the GBK text the engine returns: the bytes as
// they are, unless a meta tag near the page's start declares another charset.
#pragma once

#include <string>

namespace qf {

class RegexMatcher;

// Finds the charset a page declares in a meta tag; sub-match 1 is its name.
extern const char* const kCharsetPattern;

// `matcher` is the request's charset matcher.
std::string DecodeResponseText(const std::string& body, RegexMatcher& matcher);
// The same, reusing the body's storage for the result when nothing is converted.
std::string DecodeResponseText(std::string&& body, RegexMatcher& matcher);

}  // namespace qf
