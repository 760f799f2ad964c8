#include <gtest/gtest.h>

#include <QIcon>

#include "app/app_icon.h"

namespace qf {
namespace {

TEST(ApplicationIcon, SixSizesOfThirtyTwoBitPictures) {
  EXPECT_EQ(IconSizes(), (std::vector<int>{16, 32, 48, 64, 128, 256}));
  const QIcon icon = ApplicationIcon();
  for (int size : IconSizes()) {
    SCOPED_TRACE(size);
    const QImage image = PaintIconImage(size);
    EXPECT_EQ(image.size(), QSize(size, size));
    EXPECT_EQ(image.depth(), 32);
    EXPECT_TRUE(image.hasAlphaChannel());
    // Drawn, not blank: the tile's middle is opaque, the corner clear.
    EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
  }
}

}  // namespace
}  // namespace qf
