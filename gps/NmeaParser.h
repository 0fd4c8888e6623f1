// The NMEA 0183 block parser: RMC, GGA, GSA and GSV sentences update a GpsFix in place. They count for
// the talkers of every satellite system (GP, GN, GL, GA, GB, BD, GQ, GI); of a cycle's RMCs and GGAs
// the first accepted one counts, its GSAs and GSVs all count.
//
// Every function here reads a zero-terminated text and never reads past its terminating zero, whatever
// the bytes before it. Nothing allocates, nothing throws, and no state is kept between calls.
#pragma once

#include <cstdint>

#include "gps/GpsFix.h"

namespace kivu {

// The bounds of what a receiver can send; an RMC or GGA beyond them is not accepted. Balloons fly
// above 30 km, and no car or aircraft a dashboard rides in passes 1,000 knots.
inline constexpr double kMaxSpeedKnots = 1000;
inline constexpr double kMinAltitude = -1000;
inline constexpr double kMaxAltitude = 60000;

// Parses a block of sentences into fix. True when the fix is to be handed to the view: an RMC or a
// GGA of the block was accepted and no sentence said there is no fix.
bool ParseNmeaBlock(GpsFix& fix, const char* block) noexcept;

// A UTC time field "hhmmss" or "hhmmss.f..." as milliseconds of the day; -1 when the field is empty
// or is no time.
int NmeaTimeOfDay(const char* field) noexcept;

// Milliseconds from one UTC time of day to a later one, across midnight too (0 to a day less 1 ms).
constexpr int64_t NmeaTimeStep(int64_t fromMs, int64_t toMs) noexcept {
  constexpr int64_t kDay = int64_t{24} * 3600 * 1000;
  return ((toMs - fromMs) % kDay + kDay) % kDay;
}

// Checks the sentence starting at p (the first character after '$'): 0 valid, 1 wrong checksum,
// 2 no '*' within 254 characters, 3 the two characters after '*' are not hexadecimal digits.
int NmeaChecksum(const char* p) noexcept;

// Converts count hexadecimal digits; 0 on success, 1 at a non-digit (out holds the digits so far).
int HexToByte(const char* digits, int count, uint8_t& out) noexcept;

// Field parsers: each takes the cursor at its first field and returns the cursor after what it used.
const char* ParseNmeaTime(GpsFix& fix, const char* p) noexcept;
const char* ParseNmeaDate(GpsFix& fix, const char* p) noexcept;
const char* ParseNmeaLatitude(GpsFix& fix, const char* p) noexcept;
const char* ParseNmeaLongitude(GpsFix& fix, const char* p) noexcept;

// Sentence-body parsers: cursor at the first field after the sentence name; they return where the
// block scan resumes.
const char* ParseRmc(GpsFix& fix, const char* p) noexcept;
const char* ParseGga(GpsFix& fix, const char* p) noexcept;
const char* ParseGsa(GpsFix& fix, const char* p) noexcept;

// Number conversions with the C library's rules in the "C" locale, whatever locale the program runs
// in: NmeaStrtod as strtod, NmeaAtoi as atoi (huge values saturate instead of overflowing).
double NmeaStrtod(const char* p, const char** end) noexcept;
int32_t NmeaAtoi(const char* p) noexcept;

}  // namespace kivu
