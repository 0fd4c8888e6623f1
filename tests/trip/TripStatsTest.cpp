// One fix at a time through the trip update: distance, durations, averages, vertical speed, the pitch
// and roll sources, the extremes and both unit systems.
#include <gtest/gtest.h>

#include "trip/TripStats.h"
#include "trip/TripTestUtil.h"

namespace kivu {
namespace {

using test::FixAt;
using test::MakeFix;

constexpr TripChoices kMetric{};
constexpr TripChoices kImperial{.unitSelection = 1};

TEST(TripDistance, ZeroSpeedAddsNothingAndAnySpeedAddsTheWholeStep) {
  TripStats s;
  GpsFix a = MakeFix({.second = 0, .longitude = 11.0});
  GpsFix b = MakeFix({.second = 1, .longitude = 11.01, .knots = 0.0f});
  UpdateTripFigures(s, a, b, 1, kMetric);
  EXPECT_EQ(s.distance, 0.0f);  // the position moved 745 m, but the car stood
  GpsFix c = MakeFix({.second = 2, .longitude = 11.02, .knots = 0.1f});
  UpdateTripFigures(s, b, c, 2, kMetric);
  EXPECT_NEAR(s.distance, 0.744883f, 0.0003f);
  // The same time twice still adds the step when the car moves.
  GpsFix d = MakeFix({.second = 2, .longitude = 11.03, .knots = 0.1f});
  UpdateTripFigures(s, c, d, 2, kMetric);
  EXPECT_NEAR(s.distance, 2 * 0.744883f, 0.0006f);
}

TEST(TripDuration, HoursSinceTheStartAndTheAverageSpeed) {
  TripStats s;
  GpsFix a = MakeFix({.second = 0, .longitude = 11.0, .knots = 20});
  GpsFix b = MakeFix({.second = 1, .longitude = 11.01, .knots = 20});
  UpdateTripFigures(s, a, b, 0, kMetric);
  EXPECT_EQ(s.durationHours, 0.0f);
  EXPECT_EQ(s.avgSpeed, 0.0f);  // no time yet: the average keeps its value
  UpdateTripFigures(s, b, b, 1800, kMetric);
  EXPECT_FLOAT_EQ(s.durationHours, 0.5f);
  // 0.744883 km in half an hour.
  EXPECT_NEAR(s.avgSpeed, 1.489766f, 0.0006f);
  EXPECT_EQ(s.avgSpeedInt, 1);
  UpdateTripFigures(s, b, b, 7200, kMetric);
  EXPECT_FLOAT_EQ(s.durationHours, 2.0f);
  EXPECT_NEAR(s.avgSpeed, 0.372442f, 0.0002f);
}

TEST(TripAltitude, ExtremesGapAndVerticalSpeedFollowTheFilteredAltitude) {
  TripStats s;
  s.smoothedAltitude = 500.0f;  // as seeded from the first two fixes
  GpsFix a = MakeFix({.second = 0, .altitude = 500, .satellites = 4});
  GpsFix b = MakeFix({.second = 2, .altitude = 600, .satellites = 4});
  UpdateTripFigures(s, a, b, 2, kMetric);
  // 500 + 0.049755 x 100.
  EXPECT_NEAR(s.smoothedAltitude, 504.9755f, 0.0005f);
  EXPECT_EQ(s.startAltitude, s.smoothedAltitude);
  EXPECT_EQ(s.maxAltitude, s.smoothedAltitude);
  EXPECT_EQ(s.minAltitude, s.smoothedAltitude);
  EXPECT_EQ(s.altitudeGap, 0.0f);
  // 4.9755 m in 2 s: 2.48775 m/s, 8.9559 km/h.
  EXPECT_NEAR(s.verticalSpeed, 8.9559f, 0.002f);
  EXPECT_EQ(s.verticalSpeedInt, 8);
  EXPECT_EQ(s.altitudeInt, 504);

  GpsFix c = MakeFix({.second = 3, .altitude = 0, .satellites = 4});
  UpdateTripFigures(s, b, c, 3, kMetric);
  // 504.9755 - 0.049755 x 504.9755 = 479.850.
  EXPECT_NEAR(s.smoothedAltitude, 479.850f, 0.001f);
  EXPECT_NEAR(s.maxAltitude, 504.9755f, 0.0005f);
  EXPECT_NEAR(s.minAltitude, 479.850f, 0.001f);
  EXPECT_NEAR(s.altitudeGap, -25.1255f, 0.001f);
  EXPECT_EQ(s.altitudeGapInt, -25);
  EXPECT_NEAR(s.verticalSpeed, -90.45f, 0.01f);
  EXPECT_EQ(s.verticalSpeedInt, -90);

  // The same time again: the vertical speed keeps its value.
  UpdateTripFigures(s, c, c, 3, kMetric);
  EXPECT_NEAR(s.verticalSpeed, -90.45f, 0.01f);
}

TEST(TripPitch, AccelerationSourceAndItsExtremes) {
  TripStats s;
  GpsFix a = MakeFix({.second = 0, .knots = 0});
  GpsFix b = MakeFix({.second = 1, .knots = 3.6f});
  UpdateTripFigures(s, a, b, 1, kMetric);
  EXPECT_NEAR(s.pitchAcceleration, 9.183673f, 1e-4f);
  EXPECT_EQ(s.pitchInt, 9);
  EXPECT_EQ(s.pitchMax, 9);
  EXPECT_EQ(s.pitchMin, 0);
  // Braking from 3.6 knots to 0 within half a second: -18.367 degrees, truncated to -18.
  GpsFix c = MakeFix({.second = 1, .milliseconds = 500, .knots = 0});
  UpdateTripFigures(s, b, c, 1, kMetric);
  EXPECT_EQ(s.pitchInt, -18);
  EXPECT_EQ(s.pitchMin, -18);
  EXPECT_EQ(s.pitchMax, 9);
  EXPECT_EQ(s.pitchAngle, 0.0f);  // the other source is not computed
  // Interval 0: the pitch keeps its value.
  GpsFix d = MakeFix({.second = 1, .milliseconds = 500, .knots = 20});
  UpdateTripFigures(s, c, d, 1, kMetric);
  EXPECT_EQ(s.pitchInt, -18);
}

TEST(TripPitch, SlopeSourceKeepsItsValueAtAStop) {
  TripChoices slope{.pitchSource = 1};
  TripStats s;
  s.smoothedAltitude = 500.0f;
  // 12 satellites: gain 0.173171, so 100 m higher gives a climb of 17.317 m over 0.2 km in 2 s.
  GpsFix a = MakeFix({.second = 0, .latitude = 48.0, .knots = 10, .altitude = 500, .satellites = 12});
  GpsFix b = MakeFix({.second = 2, .latitude = 48.0017966, .knots = 10, .altitude = 600, .satellites = 12});
  UpdateTripFigures(s, a, b, 2, slope);
  // Step 0.0017966 deg x 111.3195 km = 0.2000 km; atan(17.317 / 200) = 4.9485 degrees.
  EXPECT_NEAR(s.pitchAngle, 4.948f, 0.01f);
  EXPECT_EQ(s.pitchInt, 4);
  EXPECT_EQ(s.pitchAcceleration, 0.0f);
  // Stopped: no distance step, no new pitch.
  GpsFix c = MakeFix({.second = 3, .latitude = 48.0017966, .knots = 0, .altitude = 500, .satellites = 12});
  UpdateTripFigures(s, b, c, 3, slope);
  EXPECT_NEAR(s.pitchAngle, 4.948f, 0.01f);
  EXPECT_EQ(s.pitchInt, 4);
}

TEST(TripRates, AcrossTheUtcDayChangeTheRatesAreCloseToZero) {
  TripStats s;
  s.smoothedAltitude = 500.0f;
  GpsFix a = MakeFix({.hour = 23, .minute = 59, .second = 59, .knots = 0, .course = 10, .altitude = 500});
  GpsFix b = MakeFix({.hour = 0, .second = 0, .knots = 36, .course = 30, .altitude = 600});
  UpdateTripFigures(s, a, b, 1, kMetric);
  // The interval is -86399 s: 36 knots more gives 36 / 3.6 / -86399 x 90 / 9.8 = -0.00106 degrees, a
  // climb of 7.73 m gives -0.000322 km/h, and a turn of 20 degrees at 36 knots a roll of -0.000371 degrees.
  EXPECT_NEAR(s.pitchAcceleration, -0.001063f, 1e-5f);
  EXPECT_EQ(s.pitchInt, 0);
  EXPECT_NEAR(s.verticalSpeed, -0.000322f, 1e-5f);
  EXPECT_NEAR(s.rollCentripetal, -0.000371f, 1e-6f);
  EXPECT_EQ(s.rollInt, 0);
}

TEST(TripRoll, TurnSourceAndTheRollAngleSourceThatShowsLevel) {
  TripStats s;
  GpsFix a = MakeFix({.second = 0, .knots = 10, .course = 350});
  GpsFix b = MakeFix({.second = 1, .knots = 10, .course = 10});
  UpdateTripFigures(s, a, b, 1, kMetric);
  EXPECT_NEAR(s.rollCentripetal, 8.904738f, 1e-4f);
  EXPECT_EQ(s.rollInt, 8);
  EXPECT_EQ(s.courseInt, 10);
  GpsFix back = MakeFix({.second = 2, .knots = 10, .course = 350});
  UpdateTripFigures(s, b, back, 2, kMetric);
  EXPECT_EQ(s.rollInt, -8);
  EXPECT_EQ(s.rollMin, -8);
  EXPECT_EQ(s.rollMax, 8);

  TripChoices level{.rollSource = 1};
  UpdateTripFigures(s, a, b, 3, level);
  EXPECT_EQ(s.rollInt, 0);
  EXPECT_EQ(s.rollMin, -8);  // extremes already reached stay
  EXPECT_EQ(s.rollMax, 8);
  EXPECT_NEAR(s.rollCentripetal, -8.904738f, 1e-4f);  // the last estimate, kept for the track file
  EXPECT_EQ(s.rollAngle, 0.0f);
}

TEST(TripUnits, MetricAndImperialDisplayValues) {
  TripStats s;
  s.speed = 10.0f;
  s.maxSpeed = 60.0f;
  s.smoothedAltitude = 100.0f;
  s.minAltitude = -10.5f;
  s.maxAltitude = 250.0f;
  s.altitudeGap = -30.0f;
  s.distance = 10.0f;
  s.verticalSpeed = -5.0f;
  s.avgSpeed = 50.0f;
  ComputeDisplayValues(s, 0);
  EXPECT_EQ(s.speedInt, 19);      // 18.52 + 0.5
  EXPECT_EQ(s.maxSpeedInt, 111);  // 111.12 + 0.5
  EXPECT_EQ(s.altitudeInt, 100);
  EXPECT_EQ(s.minAltitudeInt, -10);
  EXPECT_EQ(s.maxAltitudeInt, 250);
  EXPECT_EQ(s.altitudeGapInt, -30);
  EXPECT_EQ(s.distanceInt, 10);
  EXPECT_EQ(s.verticalSpeedInt, -5);
  EXPECT_EQ(s.avgSpeedInt, 50);
  ComputeDisplayValues(s, 1);
  EXPECT_EQ(s.speedInt, 12);      // 11.5078 + 0.5
  EXPECT_EQ(s.maxSpeedInt, 69);   // 69.0468 + 0.5
  EXPECT_EQ(s.altitudeInt, 328);  // feet
  EXPECT_EQ(s.minAltitudeInt, -34);
  EXPECT_EQ(s.maxAltitudeInt, 820);
  EXPECT_EQ(s.altitudeGapInt, -98);   // -98.4
  EXPECT_EQ(s.distanceInt, 6);        // 6.2137 miles
  EXPECT_EQ(s.verticalSpeedInt, -3);  // -3.1069
  EXPECT_EQ(s.avgSpeedInt, 31);       // 31.0686
  // Any non-zero selection is imperial.
  TripStats t = s;
  ComputeDisplayValues(t, -7);
  EXPECT_EQ(t.altitudeInt, 328);
  // Rounding adds a half: -1.5 knots is -2.778 km/h, shown as -2.
  s.speed = -1.5f;
  ComputeDisplayValues(s, 0);
  EXPECT_EQ(s.speedInt, -2);
}

TEST(TripUnits, ValuesFarOutsideTheirRangesShowAsTheIntLimits) {
  TripStats s;
  GpsFix a = MakeFix({.second = 0});
  GpsFix b = MakeFix({.second = 1, .knots = 3e38f, .course = -1e30f, .altitude = 3e38f});
  UpdateTripFigures(s, a, b, 1, kImperial);
  EXPECT_EQ(s.speedInt, 2147483647);
  EXPECT_EQ(s.maxSpeedInt, 2147483647);
  EXPECT_EQ(s.courseInt, -2147483647 - 1);
}

}  // namespace
}  // namespace kivu
