// One line of the track file:
//   $TRACK,hhmmss,yyyymmdd,lat,lon,alt,M,course,speed,pitchAcc,rollCen,pitchAngle,rollAngle,km,hours*CS
// followed by CR LF. CS is the sum of the byte values between '$' and '*' modulo 256 in two uppercase
// hexadecimal digits (a sum, unlike the exclusive-or of NMEA). The values are in internal units
// whatever the display units are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gps/GpsFix.h"
#include "platform/Clock.h"
#include "trip/TripStats.h"

namespace kivu {

// The buffer a track line is formatted in; the line, "*", two digits, CR, LF and a terminating zero
// must fit.
inline constexpr size_t kTrackLineSize = 256;

// Writes what snprintf's "%.<decimals>f" writes for value (decimals 0 to 9), without a terminating
// zero, into out when it fits in room bytes; returns its length, or 0 when it does not fit. The digits
// are worked out exactly from the binary value, rounded half to even as the C library rounds.
size_t FormatFixed(char* out, size_t room, double value, int decimals) noexcept;

// The additive checksum of text (the characters after '$' and before '*').
uint8_t TrackChecksum(const char* text, size_t count) noexcept;

// Formats the whole line, CR LF included, into buffer and returns its length without the terminating
// zero; 0 when the line would not fit (values far outside their ranges), and then nothing is to be
// written.
size_t FormatTrackLine(char (&buffer)[kTrackLineSize], const LocalTime& local, const GpsFix& current,
                       const TripStats& stats) noexcept;

// The track file of the day: folder + "track" + yyyymmdd + ".txt".
std::string TrackFileName(const std::string& folder, const LocalTime& local);

}  // namespace kivu
