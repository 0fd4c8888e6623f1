// One GPS fix as the receiver parses it and the view copies it: a plain record without pointers.
#pragma once

#include <cstdint>
#include <type_traits>

namespace kivu {

// A calendar time of eight unsigned 16-bit fields. The year is the two-digit year as received.
struct SystemTime {
  uint16_t year;
  uint16_t month;
  uint16_t dayOfWeek;  // never written by the parser
  uint16_t day;
  uint16_t hour;
  uint16_t minute;
  uint16_t second;
  uint16_t milliseconds;
};

struct GpsFix {
  SystemTime utcTime;
  double latitude;           // degrees, north positive
  double longitude;          // degrees, east positive
  float speedKnots;          // speed over ground as received
  float course;              // degrees true
  double magneticVariation;  // degrees, east positive
  float altitude;            // metres above mean sea level
  float geoidSeparation;     // metres
  int32_t fixType;           // 0 none or unknown, 1 2D, 2 3D
  int32_t selectionMode;     // 0 unknown, 1 manual, 2 automatic
  float pdop;
  float hdop;
  float vdop;
  int32_t satellitesUsed;    // of every system, each once
  int32_t satellitesInView;  // of every system, each once
  int32_t differential;      // 1 when the receiver says it corrects its fix (DGPS, SBAS, RTK), else 0
};

static_assert(std::is_trivially_copyable_v<GpsFix>, "a fix is copied byte for byte");

}  // namespace kivu
