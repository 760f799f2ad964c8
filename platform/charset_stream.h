// Stand-in for the platform's stream automation object, over iconv: bytes go
// in while the stream is binary, and come out as wide text in the stream's
// character set once it is switched to text.
#pragma once

#include <string>
#include <string_view>

namespace qf::platform {

class CharsetStream {
 public:
  static constexpr int adTypeBinary = 1;
  static constexpr int adTypeText = 2;
  static constexpr int adModeReadWrite = 3;

  bool SetType(int type);
  bool SetMode(int mode);
  bool Open();
  bool Write(std::string_view bytes);  // binary streams only
  bool SetPosition(size_t position);
  // Any name iconv knows, in any letter case; gb2312 reads as its GBK superset.
  // False for a name nobody knows; the stream's character set stays as it was.
  bool SetCharset(const std::string& name);
  // The whole stream from the position on, decoded; invalid sequences become
  // U+FFFD and a leading byte-order mark is dropped. False when the stream is
  // not open, not text, or has no known character set.
  bool ReadText(std::u16string& text) const;
  void Close();

 private:
  bool open_ = false;
  int type_ = adTypeBinary;
  int mode_ = 0;
  size_t position_ = 0;
  std::string charset_;  // iconv name; empty: none set
  std::string bytes_;
};

}  // namespace qf::platform
