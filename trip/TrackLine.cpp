#include "trip/TrackLine.h"

#include <cstdio>

namespace kivu {

uint8_t TrackChecksum(const char* text, size_t count) noexcept {
  unsigned sum = 0;
  for (size_t i = 0; i < count; ++i)
    sum += static_cast<unsigned char>(text[i]);
  return static_cast<uint8_t>(sum & 0xff);
}

size_t FormatTrackLine(char (&buffer)[kTrackLineSize], const LocalTime& local, const GpsFix& current,
                       const TripStats& s) noexcept {
  const int length = std::snprintf(
      buffer, kTrackLineSize,
      "$TRACK,%.2d%.2d%.2d,%.2d%.2d%.2d,%.4f,%.4f,%.0f,M,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f", local.hour,
      local.minute, local.second, local.year, local.month, local.day, current.latitude, current.longitude,
      static_cast<double>(s.smoothedAltitude), static_cast<double>(current.course),
      static_cast<double>(current.speedKnots), static_cast<double>(s.pitchAcceleration),
      static_cast<double>(s.rollCentripetal), static_cast<double>(s.pitchAngle),
      static_cast<double>(s.rollAngle), static_cast<double>(s.distance),
      static_cast<double>(s.durationHours));
  // Room for "*", two digits, CR, LF and the terminating zero.
  constexpr int kTail = 5;
  if (length <= 0 || length + kTail >= static_cast<int>(kTrackLineSize)) {
    buffer[0] = '\0';
    return 0;
  }
  const uint8_t sum = TrackChecksum(buffer + 1, static_cast<size_t>(length - 1));
  static const char kHex[] = "0123456789ABCDEF";
  char* tail = buffer + length;
  tail[0] = '*';
  tail[1] = kHex[sum >> 4];
  tail[2] = kHex[sum & 15];
  tail[3] = '\r';
  tail[4] = '\n';
  tail[5] = '\0';
  return static_cast<size_t>(length + kTail);
}

std::string TrackFileName(const std::string& folder, const LocalTime& local) {
  char name[64];
  std::snprintf(name, sizeof name, "track%d%.2d%.2d.txt", local.year, local.month, local.day);
  return folder + name;
}

}  // namespace kivu
