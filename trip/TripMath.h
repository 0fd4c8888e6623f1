// The trip computer's arithmetic: the altitude filter, the haversine step, the interval between two
// fixes and the pitch and roll estimates. Each step runs in the float width the dashboard has always
// used (32-bit unless a comment says 64-bit), so that figures and track files come out the same on
// every machine; do not "simplify" a narrowing away.
#pragma once

#include <cstdint>

#include "gps/GpsFix.h"

namespace kivu {

// The earth radius the trip distance is measured with, in kilometres.
inline constexpr float kEarthRadiusKm = 6378.137f;

// Conversion toward zero that never overflows: values beyond the int32 range give its nearest end, and
// a value that is not a number gives 0 (as the ARM conversion instruction does).
int32_t TruncateToInt(double value) noexcept;

// First-order low-pass of the altitude whose time constant shrinks as more satellites are in use.
// The satellite count is taken within 0..14, where the gain stays between 0 and 1. An altitude that
// is not a finite number leaves the filter where it was; a filter that is not finite restarts there.
float SmoothAltitude(float oldAltitude, float newAltitude, int32_t satellites) noexcept;

// The haversine distance between the positions of two fixes, in the unit of radius. A step that is
// not a finite number (a position far outside the earth) counts as 0.
float GreatCircleDistance(const GpsFix& previous, const GpsFix& current, float radius) noexcept;

// Seconds from previous to current by their UTC times of day; the dates are not used, so the
// interval is 0 for the same time twice and about -86399 once when the UTC day changes.
float FixInterval(const GpsFix& previous, const GpsFix& current) noexcept;

// Pitch in degrees from the change of speed (knots) over the interval (s). False for interval 0.
bool PitchFromAcceleration(float speedChange, float interval, float& pitch) noexcept;

// Pitch in degrees from the slope of the last step: distance step in km, altitude change in m,
// interval in s. False for a zero step or interval, and for an altitude jump that would need a
// vertical acceleration of 9.8 m/s^2 or more.
bool PitchFromSlope(float distanceStep, float altitudeChange, float interval, float& pitch) noexcept;

// Roll in degrees from the centripetal acceleration of a turn: speed in knots, course change in
// degrees (taken into -180..180), interval in s. False for interval 0; a roll of 0 when the car
// stands or goes straight. Turning clockwise seen from above gives a positive roll.
bool RollFromTurn(float speed, float courseChange, float interval, float& roll) noexcept;

}  // namespace kivu
