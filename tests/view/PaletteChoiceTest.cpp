// The palette the dashboard shows: a fixed Display choice, or the sun's phase at the car's place by
// the fix's own time, else by the system's clock, and the backlight that goes with it.
#include <gtest/gtest.h>

#include <cmath>

#include "config/AppSettings.h"
#include "platform/Clock.h"
#include "trip/TripTestUtil.h"
#include "view/PaletteChoice.h"

namespace kivu {

// Failures name the palette.
void PrintTo(Palette palette, std::ostream* os) {
  *os << PaletteName(palette);
}

namespace {

TEST(PaletteFollower, FixedChoicesHoldAndAutomaticFollowsTheFixThenTheClockButNeverPicksRedNight) {
  const int64_t munichNoon = UtcSeconds(2026, 12, 8, 11, 0, 0);  // solar noon there is about 11:06
  PaletteFollower follower;
  follower.FollowClock(munichNoon);  // no place ever: day, whatever the time
  EXPECT_EQ(follower.PaletteFor(kDisplayAutomatic), Palette::kDay);
  EXPECT_TRUE(std::isnan(follower.SunElevationDegrees()));

  // Munich at 23:00 local time: the fix's own time wins over the clock's noon.
  follower.FollowFix(test::MakeFix({.hour = 22, .latitude = 48.137, .longitude = 11.575}), munichNoon);
  EXPECT_LT(follower.SunElevationDegrees(), -7);
  const Palette expected[] = {Palette::kNight, Palette::kDay, Palette::kDusk, Palette::kNight,
                              Palette::kRedNight};
  for (int mode = 0; mode < kDisplayModeCount; ++mode)
    EXPECT_EQ(follower.PaletteFor(mode), expected[mode]) << mode;
  EXPECT_EQ(follower.PaletteFor(9), Palette::kNight);  // an unknown setting counts as Automatic

  // The fix is lost. With no clock (a replay) nothing changes; the clock then moves on into the day
  // at the last place: noon in December at 48.1 N, 90 - 48.137 - 22.8 (the sun's declination).
  const double night = follower.SunElevationDegrees();
  follower.FollowClock(std::nullopt);
  EXPECT_EQ(follower.SunElevationDegrees(), night);
  follower.FollowClock(munichNoon);
  EXPECT_NEAR(follower.SunElevationDegrees(), 19.06, 0.3);
  EXPECT_EQ(follower.PaletteFor(kDisplayAutomatic), Palette::kDay);

  // A fix without a date gives the place, and the clock the time: 22:00 in Sydney.
  GpsFix undated = test::MakeFix({.latitude = -33.87, .longitude = 151.21});
  undated.utcTime.year = undated.utcTime.month = undated.utcTime.day = 0;
  follower.FollowFix(undated, munichNoon);
  EXPECT_LT(follower.SunElevationDegrees(), -7);
  EXPECT_EQ(follower.PaletteFor(kDisplayAutomatic), Palette::kNight);
}

TEST(PaletteFollower, TheBacklightIsFullByDayAndTheClampedLevelOfDuskOrNight) {
  EXPECT_EQ(BacklightPercent(Palette::kDay, 60, 30), 100);
  EXPECT_EQ(BacklightPercent(Palette::kDusk, 150, 30), 100);
  EXPECT_EQ(BacklightPercent(Palette::kNight, 60, -5), 1);
  EXPECT_EQ(BacklightPercent(Palette::kRedNight, 60, 30), 30);
  EXPECT_STREQ(PaletteName(Palette::kRedNight), "red");
}

}  // namespace
}  // namespace kivu
