#include "gps/SatelliteSystems.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace kivu {

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

void SatellitesInView::Add(int constellation, int32_t count, bool signalId) noexcept {
  int c = constellation >= 0 ? constellation : kGps;
  if (!seen_[c] || count > largest_[c]) largest_[c] = count;
  last_[c] = count;
  seen_[c] = true;
  signalIds_[c] = signalIds_[c] || signalId;
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
