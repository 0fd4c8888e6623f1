// The sun's elevation against published and worked-out values, the date a fix gives, and the day,
// dusk and night phase with its hysteresis.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <utility>

#include "platform/Clock.h"
#include "view/Daylight.h"

namespace kivu {

// Failures name the phase.
void PrintTo(Daylight phase, std::ostream* os) {
  *os << DaylightName(phase);
}

namespace {

constexpr double kTolerance = 0.1;  // degrees

double At(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<double>(UtcSeconds(year, month, day, hour, minute, second));
}

// The worked-out values stand where the sun's elevation hardly changes: at the top or bottom of its
// daily circle (solar noon or midnight, the equation of time of the day taken into account; a few
// minutes off moves the sun by thousandths of a degree) and near a solstice, where the declination
// stays within a hundredth of a degree of the obliquity, 23.44 degrees (23.43 by 2099). At noon the
// elevation is then 90 - |latitude - declination|, at midnight latitude + declination - 90 (north).
TEST(SunElevation, MatchesPublishedAndWorkedOutValuesOverBothHemispheresAndPoles) {
  struct {
    const char* place;
    double lat, lon, when, elevation;
  } cases[] = {
      // The solar position algorithm's published example (NREL/TP-560-34302): Golden, Colorado,
      // 2003-10-17 12:30:30 local time (UTC-7), topocentric zenith angle 50.11162 degrees with
      // refraction at 820 hPa and 11 C. Without its 0.0163 degrees of refraction and with the 0.0019
      // degrees of parallax put back, the geometric elevation is 39.874. Half an hour after noon the
      // sun sinks 0.05 degrees a minute, so this one also holds the time of day to two minutes.
      {"Golden", 39.742476, -105.1786, At(2003, 10, 17, 19, 30, 30), 39.874},
      // Midnight sun: Longyearbyen at solar midnight after the June solstice, 78.2232 + 23.44 - 90.
      {"Longyearbyen midnight", 78.2232, 15.6267, At(2024, 6, 20, 22, 59, 19), 11.663},
      // Polar night: its noon at the December solstice, 90 - 78.2232 - 23.44, the sun far below.
      {"Longyearbyen noon", 78.2232, 15.6267, At(2024, 12, 21, 10, 55, 49), -11.663},
      // Tromso's noon at the December solstice before 1970 (negative seconds): 90 - 69.6492 - 23.44.
      {"Tromso 1960 noon", 69.6492, 18.9553, At(1960, 12, 21, 10, 42, 25), -3.089},
      // The south in its summer: Cape Town's noon, 90 - |-33.9249 + 23.44|.
      {"Cape Town noon", -33.9249, 18.4241, At(2024, 12, 21, 10, 44, 37), 79.515},
      // The southern midnight sun near the end of the range: McMurdo, 77.8463 + 23.43 - 90.
      {"McMurdo 2099 midnight", -77.8463, 166.6762, At(2099, 12, 21, 12, 51, 21), 11.276},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(SunElevation(c.lat, c.lon, c.when), c.elevation, kTolerance) << c.place;
}

TEST(SunElevation, IsContinuousAcrossTheDateLineAndUtcMidnight) {
  // Taveuni, Fiji, which the 180th meridian crosses: solar noon there on 21 June 2024 falls at
  // 00:01:49 UTC (the equation of time is -1.8 minutes), the sun at 90 - |-16.8 - 23.44| = 49.76.
  // A tenth of a degree either side of the line the sun stands the same, though the dates differ.
  const double noon = At(2024, 6, 21, 0, 1, 49);
  const double east = SunElevation(-16.8, 179.9, noon), west = SunElevation(-16.8, -179.9, noon);
  EXPECT_NEAR(east, 49.76, kTolerance);
  EXPECT_NEAR(west, 49.76, kTolerance);
  EXPECT_NEAR(east, west, 0.01);
  // Two hours either side of noon at 179.9 (its noon 24 s later, at 00:02:13), across UTC midnight:
  // hour angle -30 and +30 degrees give one elevation, asin(sin(-16.8) sin(23.44) +
  // cos(16.8) cos(23.44) cos(30)) = 40.22. The sun moves 0.14 degrees a minute there, so these hold
  // the time of day to within a minute on either side of midnight.
  EXPECT_NEAR(SunElevation(-16.8, 179.9, At(2024, 6, 20, 22, 2, 13)), 40.22, kTolerance);
  EXPECT_NEAR(SunElevation(-16.8, 179.9, At(2024, 6, 21, 2, 2, 13)), 40.22, kTolerance);
}

TEST(SunElevation, BadInputGivesNanAndPlacesOutsideTheRangeGoRoundTheGlobe) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double t = At(2024, 6, 21, 12, 0, 0);
  EXPECT_TRUE(std::isnan(SunElevation(nan, 10, t)));
  EXPECT_TRUE(std::isnan(SunElevation(50, -inf, t)));
  EXPECT_TRUE(std::isnan(SunElevation(50, 10, inf)));
  EXPECT_TRUE(std::isnan(SunElevation(50, 10, nan)));
  EXPECT_NEAR(SunElevation(50, 370, t), SunElevation(50, 10, t), 1e-9);
  EXPECT_NEAR(SunElevation(50, -190, t), SunElevation(50, 170, t), 1e-9);
  // Ten degrees past the north pole is 80 north on the far side.
  EXPECT_NEAR(SunElevation(100, 10, t), SunElevation(80, -170, t), 1e-9);
  EXPECT_NEAR(SunElevation(-460, 10, t), SunElevation(-80, -170, t), 1e-9);
  // Huge but finite values are still a number, whatever it is.
  EXPECT_FALSE(std::isnan(SunElevation(1e300, -1e300, 1e300)));
}

TEST(FixDate, GivesUtcSecondsOrNothingWhenTheDateIsAbsentOrOutOfRange) {
  // Worked out with date(1): 2024-06-21 00:00 UTC and 2017-01-01 00:00 UTC.
  EXPECT_EQ(DatedUtcSeconds({24, 6, 0, 21, 0, 0, 0, 999}), 1718928000);
  EXPECT_EQ(DatedUtcSeconds({16, 12, 0, 31, 23, 59, 60, 0}), 1483228800);  // a leap second
  EXPECT_TRUE(DatedUtcSeconds({24, 2, 0, 29, 12, 0, 0, 0}));
  EXPECT_TRUE(DatedUtcSeconds({0, 2, 0, 29, 12, 0, 0, 0}));  // 2000 was a leap year
  const SystemTime bad[] = {
      {0, 0, 0, 0, 0, 0, 0, 0},      // no date
      {0, 0, 0, 0, 12, 34, 56, 0},   // a time without a date
      {23, 2, 0, 29, 12, 0, 0, 0},   // not a leap year
      {24, 4, 0, 31, 12, 0, 0, 0},   // April has 30 days
      {24, 13, 0, 1, 12, 0, 0, 0},   // month
      {24, 6, 0, 21, 24, 0, 0, 0},   // hour
      {24, 6, 0, 21, 12, 60, 0, 0},  // minute
      {100, 6, 0, 21, 12, 0, 0, 0},  // more than two digits
      {24, 6, 0, 21, 12, 0, 0, 1000},
  };
  for (const SystemTime& t : bad)
    EXPECT_FALSE(DatedUtcSeconds(t)) << t.year << "-" << t.month << "-" << t.day << " " << t.hour;
  EXPECT_STREQ(DaylightName(Daylight::kDay), "day");
  EXPECT_STREQ(DaylightName(Daylight::kDusk), "dusk");
  EXPECT_STREQ(DaylightName(Daylight::kNight), "night");
}

TEST(DaylightPhases, ASweepDownAndUpChangesPhaseOneDegreePastEachBorder) {
  DaylightPhase phase;
  EXPECT_EQ(phase.Phase(), Daylight::kDay);       // no position ever
  std::vector<std::pair<int, Daylight>> changes;  // where, in tenths of a degree, and to what
  auto follow = [&](int tenths) {
    const Daylight before = phase.Phase();
    if (phase.Update(tenths / 10.0) != before) changes.emplace_back(tenths, phase.Phase());
  };
  for (int tenths = 50; tenths >= -100; --tenths)
    follow(tenths);
  for (int tenths = -100; tenths <= 50; ++tenths)
    follow(tenths);
  const std::vector<std::pair<int, Daylight>> expected = {
      {-19, Daylight::kDusk}, {-71, Daylight::kNight}, {-49, Daylight::kDusk}, {2, Daylight::kDay}};
  EXPECT_EQ(changes, expected);
}

TEST(DaylightPhases, FlickeringWithinADegreeOfABorderNeverChangesThePhase) {
  struct {
    double settle;  // an elevation that puts the phase where it is checked
    Daylight phase;
    double border;
  } cases[] = {{2, Daylight::kDay, -0.833},
               {-3, Daylight::kDusk, -0.833},
               {-3, Daylight::kDusk, -6},
               {-9, Daylight::kNight, -6}};
  for (const auto& c : cases) {
    DaylightPhase phase;
    ASSERT_EQ(phase.Update(c.settle), c.phase);
    for (int i = 0; i < 20; ++i) {
      const double e = c.border + (i % 2 ? 0.99 : -0.99) * (i % 5 + 1) / 5;
      EXPECT_EQ(phase.Update(e), c.phase) << c.border << " at " << e;
    }
  }
}

TEST(DaylightPhases, FirstElevationUsesThePlainBordersAndAJumpCrossesBoth) {
  struct {
    double first;
    Daylight phase;
  } firsts[] = {
      {-0.5, Daylight::kDay}, {-1.0, Daylight::kDusk}, {-5.9, Daylight::kDusk}, {-6.5, Daylight::kNight}};
  for (const auto& f : firsts) {
    DaylightPhase phase;
    EXPECT_EQ(phase.Update(std::numeric_limits<double>::quiet_NaN()), Daylight::kDay);  // no position
    EXPECT_EQ(phase.Update(f.first), f.phase) << f.first;
  }
  // The clock is stepped by half a day and back: straight through dusk both ways.
  DaylightPhase phase;
  phase.Update(30);
  EXPECT_EQ(phase.Update(-40), Daylight::kNight);
  EXPECT_EQ(phase.Update(std::numeric_limits<double>::quiet_NaN()), Daylight::kNight);
  EXPECT_EQ(phase.Update(30), Daylight::kDay);
  // A jump that passes only one border by a degree stops in dusk.
  EXPECT_EQ(phase.Update(-6.5), Daylight::kDusk);
}

}  // namespace
}  // namespace kivu
