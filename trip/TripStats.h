// The trip figures that the dashboard shows: statistics in internal units (knots, metres, km, hours,
// degrees) and the integer display values in the chosen unit system. The drawing reads only these.
#pragma once

#include <cstdint>

#include "gps/GpsFix.h"

namespace kivu {

// Marks startAltitude as not yet set, and starts the altitude extremes.
inline constexpr float kNoAltitude = -32768.0f;

struct TripStats {
  float speed = 0;                    // knots, of the current fix
  float smoothedAltitude = 0;         // metres, after the satellite-weighted filter
  float verticalSpeed = 0;            // km/h
  float distance = 0;                 // km
  float durationHours = 0;            // hours since the trip started
  float maxSpeed = 0;                 // knots
  float avgSpeed = 0;                 // km/h
  float minAltitude = -kNoAltitude;   // metres
  float maxAltitude = kNoAltitude;    // metres
  float altitudeGap = 0;              // metres, smoothedAltitude - startAltitude
  float startAltitude = kNoAltitude;  // metres; kNoAltitude until the first update
  float pitchAcceleration = 0;        // degrees, last pitch estimated from acceleration
  float rollCentripetal = 0;          // degrees, last roll estimated from the turn
  float pitchAngle = 0;               // degrees, last pitch estimated from the slope
  float rollAngle = 0;                // degrees; no source computes it, the track file carries it

  int32_t courseInt = 0;
  int32_t speedInt = 0;
  int32_t altitudeInt = 0;
  int32_t verticalSpeedInt = 0;
  int32_t pitchInt = 0;
  int32_t rollInt = 0;
  int32_t distanceInt = 0;
  int32_t maxSpeedInt = 0;
  int32_t avgSpeedInt = 0;
  int32_t minAltitudeInt = 0;
  int32_t maxAltitudeInt = 0;
  int32_t altitudeGapInt = 0;
  int32_t pitchMin = 0;
  int32_t pitchMax = 0;
  int32_t rollMin = 0;
  int32_t rollMax = 0;
};

// The settings the update reads; each is tested against 0 only.
struct TripChoices {
  int32_t unitSelection = 0;  // 0 metric (km/h, m, km), else imperial (mph, ft, miles)
  int32_t pitchSource = 0;    // 0 from acceleration, else from the slope
  int32_t rollSource = 0;     // 0 from the turn, else shown as 0
};

// How a fix follows the one before it.
enum class TripStep {
  Continuous,  // the next fix of a receiver that kept its fix
  AfterLoss,   // back after the GPS was lost: the step is no measure of a rate, but the car did cover
               // its straight line
  TimeJump,    // the receiver's time jumped (FixTimeJumps): nothing is taken across the step
};

// Folds the current fix into the statistics and recomputes the display values. secondsSinceStart is
// the time from the trip's start to the handling of this fix. After a loss or a jump of the time, the
// altitude filter starts again from this fix's altitude, and vertical speed, pitch and roll start
// again from 0, as they do before the first step of a trip; the straight line counts for the distance
// after a loss only.
void UpdateTripFigures(TripStats& stats, const GpsFix& previous, const GpsFix& current,
                       int64_t secondsSinceStart, const TripChoices& choices,
                       TripStep how = TripStep::Continuous) noexcept;

// The display values from the statistics, in the unit system chosen (the last step of the update).
void ComputeDisplayValues(TripStats& stats, int32_t unitSelection) noexcept;

}  // namespace kivu
