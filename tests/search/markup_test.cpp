#include <gtest/gtest.h>

#include "app/toolkit/headless_toolkit.h"
#include "search/search_run.h"
#include "web/codecs.h"

namespace qf {
namespace {

std::string G(const std::string& utf8) { return Utf8ToGbk(utf8); }

TEST(RemoveMarkupTest, Rules) {
  const auto& q = SiteQueries();
  const SiteQuery& ruleA = q[0];
  const SiteQuery& ruleB = q[2];
  const SiteQuery& ruleC = q[3];
  const SiteQuery& none = q[4];
  struct Case {
    const SiteQuery* query;
    const char* captured;
    const char* shown;
  } cases[] = {
      // Rule A: both tags go, inside a word too.
      {&ruleA, "流浪<font color='red'>地球</font>2", "流浪地球2"},
      {&ruleA, "Oppen<font color='red'>hei</font>mer", "Oppenheimer"},
      {&ruleA, "流浪地球2", "流浪地球2"},
      // The probe is case-sensitive: capital mark-up is left alone.
      {&ruleA, "流浪<FONT COLOR='red'>地球</FONT>2", "流浪<FONT COLOR='red'>地球</FONT>2"},
      // Once the probe is there the removal ignores case, other tags stay.
      {&ruleA, "<font color='red'>a</font><FONT COLOR='RED'>b</FONT><b>c</b>", "ab<b>c</b>"},
      {&ruleA, "<font color='blue'>x</font>", "<font color='blue'>x"},
      {&ruleA, "a&amp;b <font color='red'>c</font>  d", "a&amp;b c  d"},
      // Rule B's tags, in list order.
      {&ruleB, "<font color='#1111EE'>[HD]</font><font color='red'>地球</font> <font color='#ee11ee'>x</font>",
       "[HD]地球 x"},
      // Rule C.
      {&ruleC, "流浪<span style=\"background-color: yellow;\">地球</span>2 <span class=\"text-muted\">2023</span>",
       "流浪地球2 2023"},
      {&ruleC, "<SPAN STYLE=\"background-color: yellow;\">a</SPAN>", "<SPAN STYLE=\"background-color: yellow;\">a</SPAN>"},
      // Records without a rule keep the capture.
      {&none, "流浪<font color='red'>地球</font>2", "流浪<font color='red'>地球</font>2"},
      {&ruleA, "", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GbkToUtf8(RemoveMarkup(G(c.captured), *c.query)), c.shown) << c.captured;
}

TEST(RemoveMarkupTest, NeverCutsAChineseCharacter) {
  SiteQuery query;
  query.markupProbe = "<font";
  // "@" (0x40) and "[" (0x5B) are GBK trail bytes: the removal must not start inside a character.
  query.markupTags = {"@<font>"};
  std::string title = "\xB0\x40<font>";  // one character, then the probe
  EXPECT_EQ(RemoveMarkup(title, query), title);
  query.markupTags = {"<font>"};
  EXPECT_EQ(RemoveMarkup(title, query), "\xB0\x40");
}

TEST(RemoveMarkupTest, ALeadByteWithoutItsTrailHidesNoMarkup) {
  const SiteQuery& ruleA = SiteQueries()[0];
  // A stray lead byte straight before the mark-up, and one at the very end.
  EXPECT_EQ(RemoveMarkup("\xB0<font color='red'>x</font>\xB0", ruleA), "\xB0x\xB0");
  EXPECT_EQ(RemoveMarkup("a\xFE</font><font color='red'>b", ruleA), "a\xFE" "b");
}

TEST(RunGateTest, ANewerRunSupersedesTheOlder) {
  HeadlessMainWindow window;
  RunGate gate;
  auto first = gate.Begin();
  EXPECT_TRUE(WhileCurrent(window.toolkit, *first, [] {}));
  auto second = gate.Begin();
  int writes = 0;
  EXPECT_FALSE(WhileCurrent(window.toolkit, *first, [&] { ++writes; }));
  EXPECT_TRUE(WhileCurrent(window.toolkit, *second, [&] { ++writes; }));
  EXPECT_EQ(writes, 1);
  EXPECT_TRUE(first->AbortFlag().load());
  gate.Stop();
  EXPECT_FALSE(second->Current());
}

}  // namespace
}  // namespace qf
