#include "platform/com.h"

#include <gtest/gtest.h>

#include <thread>

namespace qf::platform {
namespace {

TEST(ComInit, NestsPerThread) {
  const int before = ComInitCount();
  EXPECT_EQ(CoInitialize(), before == 0 ? S_OK : S_FALSE);
  EXPECT_EQ(CoInitialize(), S_FALSE);
  EXPECT_EQ(ComInitCount(), before + 2);

  int otherThread = -1;
  std::thread([&] { otherThread = ComInitCount(); }).join();
  EXPECT_EQ(otherThread, 0);

  CoUninitialize();
  CoUninitialize();
  EXPECT_EQ(ComInitCount(), before);
}

TEST(ComInit, ExtraUninitialiseDoesNotGoNegative) {
  std::thread([] {
    CoUninitialize();
    EXPECT_EQ(ComInitCount(), 0);
    EXPECT_EQ(CoInitialize(), S_OK);
    CoUninitialize();
  }).join();
}

}  // namespace
}  // namespace qf::platform
