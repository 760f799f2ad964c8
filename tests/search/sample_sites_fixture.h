// The sample sites for a whole test suite, with this process's HTTP layer
// pointed at them, and a headless main window whose pauses only count.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/toolkit/headless_toolkit.h"
#include "samplesites/sample_sites.h"
#include "web/codecs.h"

namespace qf::test {

class SampleSitesFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sites_ = std::make_unique<samplesites::SampleSites>();
    samplesites::ConnectToSampleSites(*sites_);
  }
  static void TearDownTestSuite() {
    samplesites::DisconnectFromSampleSites();
    sites_.reset();
  }
  void SetUp() override {
    ASSERT_TRUE(sites_->Started()) << sites_->Error();
    samplesites::ConnectToSampleSites(*sites_);
    sites_->ClearPages();
    sites_->ClearRequests();
    sites_->HoldResponses(false);
    window.toolkit.SetSleeping(false);
  }

  samplesites::SampleSites& Sites() { return *sites_; }

  static std::string G(const std::string& utf8) { return Utf8ToGbk(utf8); }
  static std::string U(const std::string& gbk) { return GbkToUtf8(gbk); }

  // Part 1 or 3 of the status bar, every text it was given, in UTF-8.
  std::vector<std::string> StatusHistory(int part) const {
    std::vector<std::string> out;
    for (const auto& [p, text] : window.statusBar.History())
      if (p == part) out.push_back(U(text));
    return out;
  }

  // A row of resultList in UTF-8, cells 0 to 4.
  std::vector<std::string> Row(int row) const {
    std::vector<std::string> cells;
    for (int c = 0; c < 5; ++c) cells.push_back(U(window.resultList.GetCellText(row, c)));
    return cells;
  }

  std::vector<std::string> Links() const {
    std::vector<std::string> out;
    for (int i = 0; i < window.linkList.ItemCount(); ++i) out.push_back(U(window.linkList.ItemText(i)));
    return out;
  }

  HeadlessMainWindow window;

 private:
  static inline std::unique_ptr<samplesites::SampleSites> sites_;
};

}  // namespace qf::test
