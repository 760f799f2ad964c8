#include "web/codecs.h"

#include "platform/codepage.h"

namespace qf {
namespace {

std::u16string_view UpToZero(std::u16string_view wide) { return wide.substr(0, wide.find(u'\0')); }

bool IsPlain(unsigned char b) {
  return b == '-' || b == '.' || (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

}  // namespace

std::string_view TextView(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

std::string UrlEncode(std::string_view text, bool keepPlain, bool toUtf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  text = TextView(text);
  if (text.empty()) return {};
  const std::string bytes = toUtf8 ? GbkToUtf8(text) : std::string(text);
  std::string out;
  out.reserve(bytes.size() * 3);
  for (unsigned char b : bytes) {
    if (keepPlain && IsPlain(b)) {
      out.push_back(static_cast<char>(b));
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 0x0F]);
    }
  }
  return out;
}

WideBuffer MultiByteToWide(std::string_view text, unsigned codePage) {
  WideBuffer wide = platform::MultiByteToWideChar(codePage, TextView(text));
  wide.push_back(u'\0');
  return wide;
}

std::string WideToMultiByte(std::u16string_view wide, unsigned codePage) {
  return platform::WideCharToMultiByte(codePage, UpToZero(wide));
}

std::string GbkToUtf8(std::string_view gbk) {
  return WideToMultiByte(MultiByteToWide(gbk, platform::CP_GBK), platform::CP_UTF8);
}

std::string Utf8ToGbk(std::string_view utf8) {
  return WideToMultiByte(MultiByteToWide(utf8, platform::CP_UTF8), platform::CP_GBK);
}

WideBuffer GbkToWide(std::string_view gbk) {
  if (TextView(gbk).empty()) return {};
  return MultiByteToWide(gbk, platform::CP_GBK);
}

std::string WideToGbk(std::u16string_view wide) {
  return std::string(TextView(platform::WideCharToMultiByte(platform::CP_GBK, UpToZero(wide),
                                                            platform::WC_COMPOSITECHECK)));
}

}  // namespace qf
