#include "web/decode_response.h"

#include <gtest/gtest.h>

#include "platform/charset_stream.h"
#include "platform/com.h"
#include "regex/regex_matcher.h"
#include "web/codecs.h"

namespace qf {
namespace {

const std::string kNihaoUtf8 = "\xE4\xBD\xA0\xE5\xA5\xBD";
const std::string kNihaoGbk = "\xC4\xE3\xBA\xC3";

std::string Decode(const std::string& body) {
  RegexMatcher matcher;
  return DecodeResponseText(body, matcher);
}

TEST(DecodeResponseText, FollowsTheDeclaredCharset) {
  const std::string filler(1100, 'x');
  const struct {
    const char* name;
    std::string body, expected;
  } cases[] = {
      {"http-equiv utf-8",
       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" + kNihaoUtf8,
       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" + kNihaoGbk},
      {"double quotes", "<meta charset=\"utf-8\">" + kNihaoUtf8, "<meta charset=\"utf-8\">" + kNihaoGbk},
      {"single quotes", "<meta charset='utf-8'>" + kNihaoUtf8, "<meta charset='utf-8'>" + kNihaoGbk},
      {"bare", "<meta charset=utf-8>" + kNihaoUtf8, "<meta charset=utf-8>" + kNihaoGbk},
      {"capitals", "<META CHARSET=UTF-8>" + kNihaoUtf8, "<META CHARSET=UTF-8>" + kNihaoGbk},
      {"no declaration stays as it came", kNihaoUtf8, kNihaoUtf8},
      {"gb2312 byte for byte, even bytes that are not GBK", "<meta charset=gb2312>\xC4\xE3\xFF\x80",
       "<meta charset=gb2312>\xC4\xE3\xFF\x80"},
      {"GBK in capitals through the stream", "<meta charset=GBK>" + kNihaoGbk, "<meta charset=GBK>" + kNihaoGbk},
      {"GB2312 in capitals through the stream", "<meta charset=GB2312>" + kNihaoGbk,
       "<meta charset=GB2312>" + kNihaoGbk},
      {"another charset iconv knows", "<meta charset=big5>\xA4\xA4\xA4\xE5", "<meta charset=big5>\xD6\xD0\xCE\xC4"},
      {"unknown charset leaves the raw text", "<meta charset=x-nothing-such>" + kNihaoUtf8,
       "<meta charset=x-nothing-such>" + kNihaoUtf8},
      {"declaration after the first 1024 bytes", filler + "<meta charset=utf-8>" + kNihaoUtf8,
       filler + "<meta charset=utf-8>" + kNihaoUtf8},
      {"declaration must sit on one line", "<meta\ncharset=utf-8>" + kNihaoUtf8, "<meta\ncharset=utf-8>" + kNihaoUtf8},
      {"zero byte cuts raw text", std::string("ab\0cd", 5), "ab"},
      {"zero byte in a converted body", std::string("<meta charset=utf-8>ab\0cd", 25), "<meta charset=utf-8>ab"},
      {"broken utf-8 becomes a replacement", "<meta charset=utf-8>a\xFF" "b", "<meta charset=utf-8>a?b"},
      {"byte-order mark dropped", "\xEF\xBB\xBF<meta charset=utf-8>" + kNihaoUtf8,
       "<meta charset=utf-8>" + kNihaoGbk},
      {"empty body", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Decode(c.body), c.expected) << c.name;
}

TEST(DecodeResponseText, SearchesExactlyTheFirst1024Bytes) {
  const std::string tag = "<meta charset=utf-8";  // the name's last byte ends the tag's 19 bytes
  const std::string inside(1024 - tag.size(), 'x');
  const std::string oneLater(1024 - tag.size() + 1, 'x');  // the sample then ends in the name "utf-"
  EXPECT_EQ(Decode(inside + tag + ">" + kNihaoUtf8), inside + tag + ">" + kNihaoGbk);
  EXPECT_EQ(Decode(oneLater + tag + ">" + kNihaoUtf8), oneLater + tag + ">" + kNihaoUtf8);
}

TEST(DecodeResponseText, LeavesTheComCountAsItFoundIt) {
  const int before = platform::ComInitCount();
  {
    RegexMatcher matcher;
    EXPECT_EQ(platform::ComInitCount(), before + 1);
    for (const std::string& body : {std::string(), std::string("<meta charset=utf-8>x"), std::string("plain")}) {
      DecodeResponseText(body, matcher);
      EXPECT_EQ(platform::ComInitCount(), before + 1) << body;
    }
  }
  EXPECT_EQ(platform::ComInitCount(), before);
}

TEST(CharsetStream, NeedsOpenTextAndKnownCharset) {
  platform::CharsetStream stream;
  std::u16string text;
  EXPECT_FALSE(stream.ReadText(text));  // not open
  ASSERT_TRUE(stream.Open());
  ASSERT_TRUE(stream.Write("ab"));
  EXPECT_FALSE(stream.SetType(platform::CharsetStream::adTypeText));  // only at the start
  ASSERT_TRUE(stream.SetPosition(0));
  ASSERT_TRUE(stream.SetType(platform::CharsetStream::adTypeText));
  EXPECT_FALSE(stream.ReadText(text));  // no charset yet
  EXPECT_FALSE(stream.SetCharset("no-such-charset"));
  EXPECT_TRUE(stream.SetCharset("uTf-8"));
  ASSERT_TRUE(stream.ReadText(text));
  EXPECT_EQ(text, u"ab");
  EXPECT_FALSE(stream.Write("c"));  // text streams take no bytes here
  stream.Close();
  EXPECT_FALSE(stream.ReadText(text));
}

}  // namespace
}  // namespace qf
