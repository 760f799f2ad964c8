#include "web/decode_response.h"

#include "platform/charset_stream.h"
#include "platform/com.h"
#include "regex/regex_matcher.h"
#include "web/codecs.h"

namespace qf {
namespace {

constexpr size_t kSampleBytes = 1024;

}  // namespace

const char* const kCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";

std::string DecodeResponseText(std::string&& body, RegexMatcher& matcher) {
  platform::CoInitialize();
  // The raw text ends at the first zero byte; only its start is searched.
  std::string sample(TextView(std::string_view(body).substr(0, kSampleBytes)));
  std::string text;
  bool converted = false;
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
        if (stream.ReadText(wide)) {
          text = WideToGbk(wide);
          converted = true;
        }
      }
      stream.Close();
    }
  }
  if (!converted) {
    body.resize(TextView(body).size());
    text = std::move(body);
  }
  platform::CoUninitialize();
  return text;
}

std::string DecodeResponseText(const std::string& body, RegexMatcher& matcher) {
  return DecodeResponseText(std::string(body), matcher);
}

}  // namespace qf
