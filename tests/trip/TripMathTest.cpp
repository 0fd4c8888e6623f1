// The trip computer's arithmetic against values worked out by hand (or step by step in the widths the
// dashboard uses).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "trip/TripMath.h"
#include "trip/TripTestUtil.h"

namespace kivu {
namespace {

using test::FixAt;
using test::MakeFix;

TEST(AltitudeFilter, FourSatellitesMoveAboutOneTwentiethOfTheWay) {
  // g = (165 - 45) / 2pi = 19.0986; gain = 1 / 20.0986 = 0.049755; 500 + 4.9755.
  EXPECT_NEAR(SmoothAltitude(500.0f, 600.0f, 4), 504.9755f, 0.0005f);
  // With 8 satellites the gain is 1 / (1 + 75 / 2pi) = 0.07730; with 12, 1 / (1 + 30 / 2pi) = 0.17317.
  EXPECT_NEAR(SmoothAltitude(0.0f, 1000.0f, 8), 77.30f, 0.01f);
  EXPECT_NEAR(SmoothAltitude(0.0f, 1000.0f, 12), 173.171f, 0.001f);
  // The steps in their widths: g narrowed to a float, the rest in float.
  const float g = static_cast<float>(120.0 * 0.15915494309189535);
  const float gain = 1.0f / (1.0f + g);
  EXPECT_EQ(SmoothAltitude(500.0f, 600.0f, 4), 500.0f + gain * 100.0f);
}

TEST(AltitudeFilter, GainStaysWithinOneForManySatellites) {
  // 12 satellites: g = 30 / 2pi = 4.774648, gain 0.173171. Beyond that the count is held at 12, also
  // the 14 that still kept the gain below 1 and the 15 where it would pass it.
  const float at12 = SmoothAltitude(100.0f, 200.0f, 12);
  EXPECT_NEAR(at12, 117.3171f, 0.0005f);
  for (int satellites : {13, 14, 15, 16, 24, 1000, std::numeric_limits<int32_t>::max()}) {
    const float smoothed = SmoothAltitude(100.0f, 200.0f, satellites);
    EXPECT_EQ(smoothed, at12) << satellites;
    EXPECT_GT(smoothed, 100.0f);
    EXPECT_LT(smoothed, 200.0f);
  }
  // A negative count is taken as none: g = 165 / 2pi = 26.2606, gain 0.036683.
  EXPECT_NEAR(SmoothAltitude(100.0f, 200.0f, -3), 103.6683f, 0.0005f);
  EXPECT_EQ(SmoothAltitude(100.0f, 200.0f, -3), SmoothAltitude(100.0f, 200.0f, 0));
}

TEST(AltitudeFilter, AnAltitudeThatIsNotANumberLeavesTheFilterAlone) {
  EXPECT_EQ(SmoothAltitude(321.5f, std::nanf(""), 8), 321.5f);
  EXPECT_EQ(SmoothAltitude(321.5f, std::numeric_limits<float>::infinity(), 8), 321.5f);
  // A filter that went bad starts again from the next good altitude.
  EXPECT_EQ(SmoothAltitude(std::numeric_limits<float>::infinity(), 250.0f, 8), 250.0f);
}

TEST(GreatCircle, OneHundredthOfADegreeEastAt48NorthIsAbout745Metres) {
  // 0.01 deg = 1.745329e-4 rad; x cos 48 deg (0.669131) x 6378.137 km = 0.744883 km.
  GpsFix a = MakeFix({.latitude = 48.0, .longitude = 11.0});
  GpsFix b = MakeFix({.latitude = 48.0, .longitude = 11.01});
  EXPECT_NEAR(GreatCircleDistance(a, b, kEarthRadiusKm), 0.744883f, 0.0003f);
  EXPECT_EQ(GreatCircleDistance(a, a, kEarthRadiusKm), 0.0f);
  // One degree of latitude is 6378.137 x pi / 180 = 111.3195 km.
  GpsFix c = MakeFix({.latitude = 49.0, .longitude = 11.0});
  EXPECT_NEAR(GreatCircleDistance(a, c, kEarthRadiusKm), 111.3195f, 0.01f);
}

TEST(GreatCircle, OppositePointsAndImpossiblePositionsStayFinite) {
  // Antipodes: half the circumference, pi x 6378.137 = 20037.51 km, where rounding may push the
  // haversine just above 1.
  GpsFix a = MakeFix({.latitude = 45.0, .longitude = 10.0});
  GpsFix b = MakeFix({.latitude = -45.0, .longitude = -170.0});
  const float half = GreatCircleDistance(a, b, kEarthRadiusKm);
  EXPECT_TRUE(std::isfinite(half));
  EXPECT_NEAR(half, 20037.51f, 0.5f);
  // A latitude of 1e300 from a hostile sentence is no step at all.
  GpsFix wild = MakeFix({.latitude = 1e300, .longitude = 11.0});
  EXPECT_EQ(GreatCircleDistance(a, wild, kEarthRadiusKm), 0.0f);
  wild.latitude = std::nan("");
  EXPECT_EQ(GreatCircleDistance(wild, a, kEarthRadiusKm), 0.0f);
}

TEST(FixInterval, TimesOfDayGiveSecondsAndTheDayChangeGivesMinusADay) {
  EXPECT_FLOAT_EQ(FixInterval(MakeFix({.hour = 12, .minute = 35, .second = 19, .milliseconds = 250}),
                              MakeFix({.hour = 12, .minute = 35, .second = 20})),
                  0.75f);
  EXPECT_FLOAT_EQ(FixInterval(MakeFix({.hour = 9, .minute = 59, .second = 59}),
                              MakeFix({.hour = 11, .minute = 0, .second = 1})),
                  3602.0f);
  EXPECT_EQ(FixInterval(MakeFix({.second = 5}), MakeFix({.second = 5})), 0.0f);
  // 23:59:59 to 00:00:00: the dates are not used, so the interval is -86399 s.
  EXPECT_FLOAT_EQ(FixInterval(MakeFix({.hour = 23, .minute = 59, .second = 59}), MakeFix({.hour = 0})),
                  -86399.0f);
}

TEST(PitchFromAcceleration, SpeedChangePerSecondScalesToDegrees) {
  float pitch = 123.0f;
  // 3.6 x (1 / 3.6) is 1 (to the float), over 1 s, x 90 / 9.8 = 9.183673.
  ASSERT_TRUE(PitchFromAcceleration(3.6f, 1.0f, pitch));
  EXPECT_NEAR(pitch, 9.183673f, 1e-5f);
  ASSERT_TRUE(PitchFromAcceleration(-7.2f, 2.0f, pitch));
  EXPECT_NEAR(pitch, -9.183673f, 1e-5f);
  pitch = 123.0f;
  EXPECT_FALSE(PitchFromAcceleration(5.0f, 0.0f, pitch));
  EXPECT_EQ(pitch, 123.0f);
}

TEST(PitchFromSlope, ClimbOverDistanceAndJumpsAreRejected) {
  float pitch = 0;
  // 10 m up over 100 m in 2 s: 2.5 m/s^2 is fine; atan(0.1) = 5.710593 degrees.
  ASSERT_TRUE(PitchFromSlope(0.1f, 10.0f, 2.0f, pitch));
  EXPECT_NEAR(pitch, 5.710593f, 1e-5f);
  ASSERT_TRUE(PitchFromSlope(0.1f, -10.0f, 2.0f, pitch));
  EXPECT_NEAR(pitch, -5.710593f, 1e-5f);
  pitch = 42.0f;
  // 10 m in 1 s needs 10 m/s^2: rejected, and so is exactly 9.8 (the float 9.8 is a shade above).
  EXPECT_FALSE(PitchFromSlope(0.1f, 10.0f, 1.0f, pitch));
  EXPECT_FALSE(PitchFromSlope(0.1f, 9.8f, 1.0f, pitch));
  EXPECT_FALSE(PitchFromSlope(0.1f, -9.8f, 1.0f, pitch));
  // No distance, or no time between the fixes: nothing.
  EXPECT_FALSE(PitchFromSlope(0.0f, 1.0f, 1.0f, pitch));
  EXPECT_FALSE(PitchFromSlope(0.1f, 0.0f, 0.0f, pitch));
  EXPECT_FALSE(PitchFromSlope(0.1f, 1.0f, 0.0f, pitch));
  EXPECT_EQ(pitch, 42.0f);
  // 9.7 m/s^2 still counts: atan(9.7 / 100) = 5.540 degrees.
  ASSERT_TRUE(PitchFromSlope(0.1f, 9.7f, 1.0f, pitch));
  EXPECT_NEAR(pitch, 5.5404f, 1e-3f);
}

TEST(RollFromTurn, CourseWrapsThroughNorthAndClockwiseIsPositive) {
  // +20 degrees in 1 s at 10 knots: 0.349066 rad/s x 2.777778 = 0.969627, x 90 / 9.8 = 8.904738.
  float roll = 0;
  ASSERT_TRUE(RollFromTurn(10.0f, 10.0f - 350.0f, 1.0f, roll));  // 350 to 10 through north
  EXPECT_NEAR(roll, 8.904738f, 1e-4f);
  ASSERT_TRUE(RollFromTurn(10.0f, 20.0f, 1.0f, roll));
  EXPECT_NEAR(roll, 8.904738f, 1e-4f);
  ASSERT_TRUE(RollFromTurn(10.0f, 350.0f - 10.0f, 1.0f, roll));  // 10 to 350: -20
  EXPECT_NEAR(roll, -8.904738f, 1e-4f);
  // Exactly 180 stays 180; -180 stays -180.
  ASSERT_TRUE(RollFromTurn(10.0f, 180.0f, 2.0f, roll));
  EXPECT_NEAR(roll, 8.904738f * 9.0f / 2.0f, 1e-3f);
  ASSERT_TRUE(RollFromTurn(10.0f, -180.0f, 2.0f, roll));
  EXPECT_NEAR(roll, -8.904738f * 9.0f / 2.0f, 1e-3f);
}

TEST(RollFromTurn, StandingOrStraightIsLevelAndNoTimeIsNothing) {
  float roll = 5.0f;
  ASSERT_TRUE(RollFromTurn(0.0f, 30.0f, 1.0f, roll));
  EXPECT_EQ(roll, 0.0f);
  roll = 5.0f;
  ASSERT_TRUE(RollFromTurn(30.0f, 0.0f, 1.0f, roll));
  EXPECT_EQ(roll, 0.0f);
  roll = 5.0f;
  EXPECT_FALSE(RollFromTurn(30.0f, 20.0f, 0.0f, roll));
  EXPECT_EQ(roll, 5.0f);
  // Across the day change the interval is -86399 s: the roll is tiny and of the opposite sign.
  ASSERT_TRUE(RollFromTurn(10.0f, 20.0f, -86399.0f, roll));
  EXPECT_LT(roll, 0.0f);
  EXPECT_GT(roll, -0.001f);
}

TEST(Truncation, ConvertsTowardZeroAndSaturatesOutsideTheIntRange) {
  EXPECT_EQ(TruncateToInt(-2.7), -2);
  EXPECT_EQ(TruncateToInt(2.7), 2);
  EXPECT_EQ(TruncateToInt(1e300), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TruncateToInt(-1e300), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(TruncateToInt(std::numeric_limits<double>::infinity()), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TruncateToInt(std::nan("")), 0);
  EXPECT_EQ(TruncateToInt(2147483646.9), 2147483646);
}

}  // namespace
}  // namespace kivu
