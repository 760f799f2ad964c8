// Text codecs: percent-encoding and the GBK / UTF-8 / UTF-16 conversions.
// Texts are GBK bytes that end at the first zero byte.
#pragma once

#include <string>
#include <string_view>

namespace qf {

// UTF-16 code units; a non-empty buffer ends with one zero unit, which counts.
using WideBuffer = std::u16string;

// The bytes of a text: everything before the first zero byte.
std::string_view TextView(std::string_view bytes);

std::string UrlEncode(std::string_view text, bool keepPlain = false, bool toUtf8 = false);
WideBuffer MultiByteToWide(std::string_view text, unsigned codePage = 65001);
std::string WideToMultiByte(std::u16string_view wide, unsigned codePage = 0);
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);
WideBuffer GbkToWide(std::string_view gbk);
std::string WideToGbk(std::u16string_view wide);

}  // namespace qf
