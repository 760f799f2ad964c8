#include "platform/charset_stream.h"

#include <iconv.h>

#include <cerrno>

namespace qf::platform {
namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return text;
}

// Names pages declare that iconv spells differently or reads too strictly.
std::string IconvName(const std::string& name) {
  std::string lower = Lower(name);
  if (lower == "gb2312" || lower == "gbk" || lower == "cp936" || lower == "x-gbk") return "GBK";
  if (lower == "utf8") return "UTF-8";
  return name;
}

bool Known(const std::string& iconvName) {
  iconv_t cd = iconv_open("UTF-16LE", iconvName.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

}  // namespace

bool CharsetStream::SetType(int type) {
  if (type != adTypeBinary && type != adTypeText) return false;
  if (open_ && position_ != 0) return false;  // the type changes only at the start
  type_ = type;
  return true;
}

bool CharsetStream::SetMode(int mode) {
  if (open_ || mode < 0 || mode > 3) return false;
  mode_ = mode;
  return true;
}

bool CharsetStream::Open() {
  if (open_) return false;
  open_ = true;
  bytes_.clear();
  position_ = 0;
  return true;
}

bool CharsetStream::Write(std::string_view bytes) {
  if (!open_ || type_ != adTypeBinary || (mode_ != 2 && mode_ != adModeReadWrite && mode_ != 0)) return false;
  bytes_.replace(position_, bytes_.size() - position_, bytes);
  position_ = bytes_.size();
  return true;
}

bool CharsetStream::SetPosition(size_t position) {
  if (!open_ || position > bytes_.size()) return false;
  position_ = position;
  return true;
}

bool CharsetStream::SetCharset(const std::string& name) {
  std::string iconvName = IconvName(name);
  if (name.empty() || !Known(iconvName)) return false;
  charset_ = iconvName;
  return true;
}

bool CharsetStream::ReadText(std::u16string& text) const {
  text.clear();
  if (!open_ || type_ != adTypeText || charset_.empty()) return false;
  iconv_t cd = iconv_open("UTF-16LE", charset_.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in = bytes_.substr(position_);
  std::string out(in.size() * 4 + 16, '\0');
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      size_t used = out.size() - outLeft;
      out.resize(out.size() * 2);
      outPtr = out.data() + used;
      outLeft = out.size() - used;
      continue;
    }
    // A broken or cut-off sequence: one replacement character, then go on.
    if (outLeft < 2) {
      size_t used = out.size() - outLeft;
      out.resize(out.size() * 2);
      outPtr = out.data() + used;
      outLeft = out.size() - used;
    }
    *outPtr++ = static_cast<char>(0xFD);
    *outPtr++ = static_cast<char>(0xFF);
    outLeft -= 2;
    ++inPtr;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  size_t used = out.size() - outLeft;
  text.resize(used / 2);
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(out[2 * i]) |
                                    (static_cast<unsigned char>(out[2 * i + 1]) << 8));
  if (!text.empty() && text[0] == u'\xFEFF') text.erase(0, 1);
  return true;
}

void CharsetStream::Close() {
  open_ = false;
  bytes_.clear();
  position_ = 0;
}

}  // namespace qf::platform
