#include "gps/SatelliteSystems.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "gps/NmeaParser.h"

namespace kivu {

namespace {

// The numberings satellites are told apart by. GPS, SBAS, GLONASS and a combined GN talker share one,
// in which GLONASS starts at 65; a receiver that names the system of a GSA may number GLONASS from 1.
constexpr int kSharedNumbering = 0;
constexpr int kGlonassById = kConstellations + 1;
static_assert(kGlonassById + 15 < SatelliteSet::kNumberings, "every system id has a numbering");

int TalkerNumbering(int talker) noexcept {
  return talker == kGalileo || talker == kBeidou || talker == kQzss || talker == kNavic ? talker + 1
                                                                                        : kSharedNumbering;
}

// An NMEA 4.10 system id (1 GPS, 2 GLONASS, 3 Galileo, 4 BeiDou, 5 QZSS, 6 NavIC, one hex digit).
int SystemIdNumbering(int id) noexcept {
  constexpr int kSystems[] = {kGps, kGlonass, kGalileo, kBeidou, kQzss, kNavic};
  if (id == 2) return kGlonassById;
  if (id >= 1 && id <= 6) return TalkerNumbering(kSystems[id - 1]);
  return kGlonassById + id;  // a system of a later standard (up to 15), apart from all others
}

// The field after the one at p, or star when p's field is the last. Fields are short: a loop beats a
// library call.
const char* NextField(const char* p, const char* star) noexcept {
  while (p < star && *p != ',')
    ++p;
  return p < star ? p + 1 : star;
}

// A satellite's number: its leading digits (at most five; none gives 0, which is no satellite).
int32_t SatelliteNumber(const char* p) noexcept {
  int32_t number = 0;
  for (int i = 0; i < 5 && *p >= '0' && *p <= '9'; ++i, ++p)
    number = number * 10 + (*p - '0');
  return number;
}

int HexDigit(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int TalkerConstellation(char a, char b) noexcept {
  if (a == 'B' && b == 'D') return kBeidou;
  if (a != 'G') return -1;
  switch (b) {
    case 'P':
      return kGps;
    case 'L':
      return kGlonass;
    case 'A':
      return kGalileo;
    case 'B':
      return kBeidou;
    case 'Q':
      return kQzss;
    case 'I':
      return kNavic;
    case 'N':
      return kCombined;
    default:
      return -1;
  }
}

bool IsGnssTalker(const char* name) noexcept {
  return name[0] != '\0' && TalkerConstellation(name[0], name[1]) >= 0;
}

bool GsvHasSignalId(const char* fields, const char* star) noexcept {
  int count = 1;
  // Commas eight characters at a time: a byte of x is zero where the text has a comma.
  const size_t n = static_cast<size_t>(star - fields);
  constexpr uint64_t kOnes = 0x0101010101010101ull, kLow7 = 0x7f7f7f7f7f7f7f7full;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, fields + i, 8);
    uint64_t x = word ^ (kOnes * ',');
    uint64_t other = (((x & kLow7) + kLow7) | x) & ~kLow7;  // the top bit of every byte that is no comma
    count += 8 - static_cast<int>(((other >> 7) * kOnes) >> 56);  // the byte sum counts the top bits
  }
  for (; i < n; ++i)
    count += fields[i] == ',';
  return count > 3 && (count - 3) % 4 == 1;
}

void SatelliteSet::Add(int numbering, int32_t number) noexcept {
  if (number < 1 || numbering < 0 || numbering >= kNumberings || count_ == kCapacity) return;
  if ((used_ >> numbering & 1) == 0) {
    used_ |= uint32_t{1} << numbering;
    low_[numbering][0] = low_[numbering][1] = 0;
    counts_[numbering] = 0;
  }
  if (number < 128) {
    uint64_t& word = low_[numbering][number >> 6];
    const uint64_t bit = uint64_t{1} << (number & 63);
    if (word & bit) return;
    word |= bit;
  } else {
    const uint32_t key =
        static_cast<uint32_t>(numbering) << 16 | static_cast<uint32_t>(std::min(number, 0xffff));
    if (std::find(others_, others_ + otherCount_, key) != others_ + otherCount_) return;
    others_[otherCount_++] = key;
  }
  ++count_;
  ++counts_[numbering];
}

void AddGsaSatellites(SatelliteSet& used, int talker, const char* fields, const char* star) noexcept {
  // The selection mode and the fix type, twelve satellites, three DOPs, perhaps a system id.
  const char* field[18];
  int count = 0;
  for (const char* p = fields; count < 18; p = NextField(p, star)) {
    field[count++] = p;
    if (p == star) break;
  }
  int numbering = TalkerNumbering(talker);
  if (count == 18 && field[17] + 1 == star && HexDigit(*field[17]) > 0)
    numbering = SystemIdNumbering(HexDigit(*field[17]));
  for (int i = 2; i < std::min(count, 14); ++i)
    if (field[i] != star) used.Add(numbering, SatelliteNumber(field[i]));
}

void SatellitesInView::Add(int constellation, const char* fields, const char* star) noexcept {
  const int c = constellation >= 0 ? constellation : kGps;
  const char* p = NextField(NextField(fields, star), star);
  const int32_t count = NmeaAtoi(p);
  if (!seen_[c] || count > largest_[c]) largest_[c] = count;
  last_[c] = count;
  seen_[c] = true;
  const bool signalId = GsvHasSignalId(fields, star);
  signalIds_[c] = signalIds_[c] || signalId;
  // Four fields a satellite, its number first; a signal id stands alone after them.
  int index = 0;
  for (p = NextField(p, star); p != star; p = NextField(p, star), ++index) {
    if (index % 4 != 0) continue;
    if (signalId && NextField(p, star) == star) break;
    listed_.Add(c, SatelliteNumber(p));
  }
}

int32_t SatellitesInView::Value(int c) const noexcept {
  return std::max(signalIds_[c] ? largest_[c] : last_[c], listed_.CountOf(c));
}

int32_t SatellitesInView::Total() const noexcept {
  if (seen_[kCombined]) return Value(kCombined);
  int64_t total = 0;
  for (int c = 0; c < kCombined; ++c)
    if (seen_[c]) total += Value(c);
  return static_cast<int32_t>(
      std::clamp<int64_t>(total, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace kivu
