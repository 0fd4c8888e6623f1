// The satellite systems whose talkers Kivu reads, and how their satellites in view add up.
#pragma once

#include <cstdint>

namespace kivu {

// BD and GB are both BeiDou; GN is a receiver's combined solution over all of them.
enum Constellation { kGps, kGlonass, kGalileo, kBeidou, kQzss, kNavic, kCombined, kConstellations };

// The system of a talker (GP, GL, GA, GB, BD, GQ, GI, GN), or -1 for any other.
int TalkerConstellation(char a, char b) noexcept;

// Whether a sentence name (the characters after '$') starts with a satellite system's talker.
bool IsGnssTalker(const char* name) noexcept;

// Whether a GSV sentence (cursor at its first field, star at its '*') ends with an NMEA 4.10 signal
// id: three header fields, four fields per satellite, and one more.
bool GsvHasSignalId(const char* fields, const char* star) noexcept;

// Satellites in view over the GSV sentences of one cycle: each system counts once, by its largest
// group when it sends one group per signal, else by its last sentence (as a GPS-only receiver always
// did); a combined GN group counts alone.
class SatellitesInView {
 public:
  // A GSV sentence of the system (-1, an unknown talker, counts as GPS) with its in-view field.
  void Add(int constellation, int32_t count, bool signalId) noexcept;
  int32_t Total() const noexcept;

 private:
  int32_t Value(int c) const noexcept { return signalIds_[c] ? largest_[c] : last_[c]; }

  int32_t last_[kConstellations] = {};
  int32_t largest_[kConstellations] = {};
  bool seen_[kConstellations] = {};
  bool signalIds_[kConstellations] = {};
};

}  // namespace kivu
