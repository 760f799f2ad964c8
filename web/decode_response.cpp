#include "web/decode_response.h"

#include "platform/charset_stream.h"
#include "platform/com.h"
#include "regex/regex_matcher.h"
#include "web/codecs.h"

namespace qf {
namespace {

constexpr size_t kSampleBytes = 1024;
constexpr const char* kCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";

}  // namespace

std::string DecodeResponseText(const std::string& body, RegexMatcher& matcher) {
  std::string text(TextView(body));
  platform::CoInitialize();
  std::string sample = text.substr(0, kSampleBytes);
  if (matcher.Execute(kCharsetPattern, sample)) {
    std::string charset = matcher.SubMatchText(1, 1);
    if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
      platform::CharsetStream stream;
      stream.SetType(platform::CharsetStream::adTypeBinary);
      stream.SetMode(platform::CharsetStream::adModeReadWrite);
      stream.Open();
      stream.Write(body);
      stream.SetPosition(0);
      stream.SetType(platform::CharsetStream::adTypeText);
      // A name the stream does not know leaves the page as it came.
      if (stream.SetCharset(charset)) {
        std::u16string wide;
        if (stream.ReadText(wide)) text = WideToGbk(wide);
      }
      stream.Close();
    }
  }
  platform::CoUninitialize();
  return text;
}

}  // namespace qf
