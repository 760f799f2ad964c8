// Searching, splitting and trimming GBK text. A search never starts a match on
// the second byte of a double-byte character, and letter case, where ignored,
// is folded for ASCII letters only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qf {

// Byte offset of the first occurrence of `needle` at or after byte `from`, or
// npos. An empty needle is found at the first character boundary at or after `from`.
size_t FindText(std::string_view text, std::string_view needle, size_t from = 0, bool ignoreCase = false);
std::string ReplaceText(std::string_view text, std::string_view from, std::string_view to, bool ignoreCase = false);
// No pieces for an empty text, no empty last piece after a trailing separator;
// separators in a row (or at the start) do give empty pieces.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);
// Removes ASCII spaces and ideographic spaces (A1 A1) from both ends.
std::string TrimText(std::string_view text);
// Removes both kinds of space everywhere.
std::string RemoveSpaces(std::string_view text);

}  // namespace qf
