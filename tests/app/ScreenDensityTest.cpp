// What a screen's own report of its size comes to in pixels a millimetre.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/ScreenDensity.h"

namespace kivu {
namespace {

TEST(ScreenDensity, ARealScreenGivesItsDensityAndAReportThatCannotBeTrueGivesNone) {
  // A 7-inch car screen, 800 x 480 on 154 x 86 mm: 5.19 and 5.58 pixels a millimetre, 5.39 between.
  EXPECT_NEAR(ScreenPixelsPerMillimetre(800, 480, 154, 86), 5.39, 0.01);
  // A 24-inch desktop screen, 1920 x 1080 on 531 x 299 mm.
  EXPECT_NEAR(ScreenPixelsPerMillimetre(1920, 1080, 531, 299), 3.61, 0.01);
  // No size at all, a screen that reports its aspect ratio, one that reports nonsense.
  EXPECT_EQ(ScreenPixelsPerMillimetre(1920, 1080, 0, 0), 0);
  EXPECT_EQ(ScreenPixelsPerMillimetre(1920, 1080, 16, 9), 0);
  EXPECT_EQ(ScreenPixelsPerMillimetre(1920, 1080, -531, 299), 0);
  EXPECT_EQ(ScreenPixelsPerMillimetre(1920, 1080, std::numeric_limits<double>::quiet_NaN(), 299), 0);
  EXPECT_EQ(ScreenPixelsPerMillimetre(1920, 1080, std::numeric_limits<double>::infinity(), 299), 0);
  // A size whose sides do not belong together: pixels three times as tall as wide.
  EXPECT_EQ(ScreenPixelsPerMillimetre(1920, 1080, 531, 897), 0);
  // The size Qt makes up for a screen that tells it none: 100 dots an inch.
  EXPECT_EQ(ScreenPixelsPerMillimetre(800, 600, 800 * 0.254, 600 * 0.254), 0);
  // No pixels.
  EXPECT_EQ(ScreenPixelsPerMillimetre(0, 0, 531, 299), 0);
}

}  // namespace
}  // namespace kivu
