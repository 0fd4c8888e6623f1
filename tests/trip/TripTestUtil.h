// Fixes for the trip computer's tests, built field by field.
#pragma once

#include "gps/GpsFix.h"

namespace kivu::test {

struct FixAt {
  int hour = 12, minute = 0, second = 0, milliseconds = 0;
  double latitude = 48.0, longitude = 11.0;
  float knots = 0, course = 0, altitude = 500;
  int satellites = 8;
};

inline GpsFix MakeFix(const FixAt& at) {
  GpsFix fix{};
  fix.utcTime.year = 26;
  fix.utcTime.month = 12;
  fix.utcTime.day = 7;
  fix.utcTime.hour = static_cast<uint16_t>(at.hour);
  fix.utcTime.minute = static_cast<uint16_t>(at.minute);
  fix.utcTime.second = static_cast<uint16_t>(at.second);
  fix.utcTime.milliseconds = static_cast<uint16_t>(at.milliseconds);
  fix.latitude = at.latitude;
  fix.longitude = at.longitude;
  fix.speedKnots = at.knots;
  fix.course = at.course;
  fix.altitude = at.altitude;
  fix.fixType = 2;
  fix.satellitesUsed = at.satellites;
  fix.satellitesInView = at.satellites + 2;
  return fix;
}

}  // namespace kivu::test
