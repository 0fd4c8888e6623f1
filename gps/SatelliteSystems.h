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

// Distinct satellites of one cycle, each by a numbering (a system, or a range shared by several) and
// its number. Holds more than any receiver reports in a cycle; past that, further ones are not counted.
class SatelliteSet {
 public:
  static constexpr int kCapacity = 160;

  // A satellite number as a sentence gives it: empty fields and numbers below 1 are no satellite.
  // numbering: 0 to kNumberings - 1.
  void Add(int numbering, int32_t number) noexcept;
  int32_t Count() const noexcept { return count_; }
  int32_t CountOf(int numbering) const noexcept {
    return (used_ >> numbering & 1) != 0 ? counts_[numbering] : 0;
  }

  static constexpr int kNumberings = 32;

 private:
  // A set is made for every block parsed: a numbering's fields are cleared when it is first used.
  uint32_t used_ = 0;             // a bit for each numbering with a satellite
  uint64_t low_[kNumberings][2];  // numbers 1 to 127, one bit each: most satellites
  int32_t counts_[kNumberings];   // satellites of each numbering
  uint32_t others_[kCapacity];    // numbering and number of each higher one
  int32_t otherCount_ = 0;
  int32_t count_ = 0;
};

// Satellites used over the GSA sentences of one cycle (cursor at the first field after the name, star
// at its '*'): every satellite named counts once, also when the receiver names a system's satellites
// under both its own talker and GN. Where the sentence ends in an NMEA 4.10 system id, that names the
// system; elsewhere GPS, GLONASS and GN share one numbering (GPS 1-32, SBAS 33-64, GLONASS 65-96, ...)
// and the other talkers have their own.
void AddGsaSatellites(SatelliteSet& used, int talker, const char* fields, const char* star) noexcept;

// Satellites in view over the GSV sentences of one cycle: each system counts once, as many as it
// lists different satellites, or more where its in-view field says so (the largest group when it sends
// one group per signal, else its last sentence, as a GPS-only receiver always did); a combined GN group
// counts alone.
class SatellitesInView {
 public:
  // A GSV sentence of the system (-1, an unknown talker, counts as GPS), cursor at its first field
  // and star at its '*'.
  void Add(int constellation, const char* fields, const char* star) noexcept;
  int32_t Total() const noexcept;

 private:
  int32_t Value(int c) const noexcept;

  int32_t last_[kConstellations] = {};
  int32_t largest_[kConstellations] = {};
  bool seen_[kConstellations] = {};
  bool signalIds_[kConstellations] = {};
  SatelliteSet listed_;
};

}  // namespace kivu
