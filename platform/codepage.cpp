#include "platform/codepage.h"

#include <iconv.h>

#include <array>
#include <mutex>
#include <vector>

namespace qf::platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// GBK double-byte table, read once from iconv so that conversion itself is a
// table look-up with our own replacement rules.
struct GbkTables {
  // decode[(lead - 0x81) * 191 + (trail - 0x40)] -> UTF-16 unit, 0 when unmapped
  std::vector<char16_t> decode = std::vector<char16_t>(126 * 191, 0);
  // encode[unit] -> GBK bytes (lead << 8 | trail), or the single byte, 0 when unmapped
  std::vector<uint16_t> encode = std::vector<uint16_t>(0x10000, 0);
  char16_t byte80 = 0;  // the single byte 0x80 (the euro sign in code page 936)
};

char16_t DecodeOne(iconv_t cd, const char* in, size_t inLen) {
  char buf[8];
  char* inPtr = const_cast<char*>(in);
  char* outPtr = buf;
  size_t outLeft = sizeof buf;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &inPtr, &inLen, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLen != 0) return 0;
  if (sizeof buf - outLeft != 2) return 0;  // outside the basic plane: GBK has none
  return static_cast<char16_t>(static_cast<unsigned char>(buf[0]) | (static_cast<unsigned char>(buf[1]) << 8));
}

const GbkTables& Tables() {
  static GbkTables tables;
  static std::once_flag once;
  std::call_once(once, [] {
    iconv_t cd = iconv_open("UTF-16LE", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        char16_t unit = DecodeOne(cd, pair, 2);
        if (unit == 0) continue;
        tables.decode[(lead - 0x81) * 191 + (trail - 0x40)] = unit;
        if (tables.encode[unit] == 0) tables.encode[unit] = static_cast<uint16_t>(lead << 8 | trail);
      }
    }
    const char euro = static_cast<char>(0x80);
    tables.byte80 = DecodeOne(cd, &euro, 1);
    if (tables.byte80 != 0 && tables.encode[tables.byte80] == 0) tables.encode[tables.byte80] = 0x80;
    iconv_close(cd);
  });
  return tables;
}

template <typename Sink>
void DecodeGbk(std::string_view in, Sink&& put) {
  const GbkTables& t = Tables();
  for (size_t i = 0; i < in.size();) {
    auto b = static_cast<unsigned char>(in[i]);
    if (b < 0x80) {
      put(static_cast<char32_t>(b));
      ++i;
    } else if (b == 0x80) {
      put(t.byte80 ? t.byte80 : kReplacement);
      ++i;
    } else if (b <= 0xFE && i + 1 < in.size()) {
      auto trail = static_cast<unsigned char>(in[i + 1]);
      char16_t unit = (trail >= 0x40 && trail <= 0xFE) ? t.decode[(b - 0x81) * 191 + (trail - 0x40)] : 0;
      if (unit) {
        put(unit);
        i += 2;
      } else {
        put(kReplacement);  // keep the next byte: it may start a character of its own
        ++i;
      }
    } else {
      put(kReplacement);
      ++i;
    }
  }
}

template <typename Sink>
void DecodeUtf8(std::string_view in, Sink&& put) {
  const auto* s = reinterpret_cast<const unsigned char*>(in.data());
  const size_t n = in.size();
  for (size_t i = 0; i < n;) {
    unsigned char b = s[i];
    if (b < 0x80) {
      put(static_cast<char32_t>(b));
      ++i;
      continue;
    }
    int len = 0;
    char32_t cp = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) { len = 2; cp = b & 0x1F; }
    else if (b >= 0xE0 && b <= 0xEF) {
      len = 3; cp = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4; cp = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    }
    if (len == 0) {
      put(kReplacement);
      ++i;
      continue;
    }
    // Each maximal invalid prefix becomes one replacement character.
    size_t j = 1;
    bool ok = true;
    for (; j < static_cast<size_t>(len); ++j) {
      if (i + j >= n) { ok = false; break; }
      unsigned char c = s[i + j];
      unsigned char l = (j == 1) ? lo : 0x80, h = (j == 1) ? hi : 0xBF;
      if (c < l || c > h) { ok = false; break; }
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      put(kReplacement);
      i += j;
      continue;
    }
    put(cp);
    i += len;
  }
}

void PutUtf16(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

void PutUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void PutGbk(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
    return;
  }
  uint16_t code = cp < 0x10000 ? Tables().encode[cp] : 0;
  if (code == 0) {
    out.push_back('?');
  } else if (code < 0x100) {
    out.push_back(static_cast<char>(code));
  } else {
    out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
  }
}

// Walks UTF-16 code units as code points; a lone surrogate is U+FFFD.
template <typename Sink>
void DecodeUtf16(std::u16string_view in, Sink&& put) {
  for (size_t i = 0; i < in.size(); ++i) {
    char16_t u = in[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      put(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (in[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      put(kReplacement);
    } else {
      put(static_cast<char32_t>(u));
    }
  }
}

bool IsGbk(unsigned codePage) { return codePage == CP_GBK || codePage == CP_ACP; }

}  // namespace

std::u16string MultiByteToWideChar(unsigned codePage, std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  auto put = [&](char32_t cp) { PutUtf16(out, cp); };
  if (IsGbk(codePage)) DecodeGbk(bytes, put);
  else if (codePage == CP_UTF8) DecodeUtf8(bytes, put);
  return out;
}

std::string WideCharToMultiByte(unsigned codePage, std::u16string_view wide, unsigned /*flags*/) {
  std::string out;
  out.reserve(wide.size() * 2);
  if (IsGbk(codePage)) DecodeUtf16(wide, [&](char32_t cp) { PutGbk(out, cp); });
  else if (codePage == CP_UTF8) DecodeUtf16(wide, [&](char32_t cp) { PutUtf8(out, cp); });
  return out;
}

std::string GbkBytesToUtf8(std::string_view gbk) {
  // Whole pages pass through here once per search: write into room for the
  // longest result (three bytes for each input byte) and trim.
  std::string out(gbk.size() * 3, '\0');
  char* at = out.data();
  DecodeGbk(gbk, [&](char32_t cp) {
    if (cp < 0x80) {
      *at++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
      *at++ = static_cast<char>(0xC0 | (cp >> 6));
      *at++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {  // GBK holds nothing outside the basic plane
      *at++ = static_cast<char>(0xE0 | (cp >> 12));
      *at++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *at++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
  });
  out.resize(static_cast<size_t>(at - out.data()));
  return out;
}

std::string Utf8BytesToGbk(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  DecodeUtf8(utf8, [&](char32_t cp) { PutGbk(out, cp); });
  return out;
}

}  // namespace qf::platform
