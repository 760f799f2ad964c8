// Stand-in for the platform's code-page conversion (MultiByteToWideChar /
// WideCharToMultiByte). Code pages: 936 (GBK), 65001 (UTF-8) and 0, the ANSI
// code page of this program, which is 936.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qf::platform {

constexpr unsigned CP_ACP = 0;
constexpr unsigned CP_GBK = 936;
constexpr unsigned CP_UTF8 = 65001;
constexpr unsigned WC_COMPOSITECHECK = 0x200;

// Invalid input sequences each become U+FFFD; the whole input is converted,
// zero bytes included. An unknown code page gives an empty result.
std::u16string MultiByteToWideChar(unsigned codePage, std::string_view bytes);

// Characters the code page cannot hold become "?" (the default replacement).
// The whole input is converted, zero code units included.
std::string WideCharToMultiByte(unsigned codePage, std::u16string_view wide, unsigned flags = 0);

// Direct GBK <-> UTF-8 conversion with the same replacement rules as going
// through UTF-16; used where a large page is converted in one pass.
std::string GbkBytesToUtf8(std::string_view gbk);
std::string Utf8BytesToGbk(std::string_view utf8);

}  // namespace qf::platform
