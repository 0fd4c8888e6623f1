#include "trip/TrackLine.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace kivu {

namespace {

using u128 = unsigned __int128;

constexpr uint64_t kPowersOfTen[] = {1,      10,      100,      1000,      10000,
                                     100000, 1000000, 10000000, 100000000, 1000000000};

// The digits of n, at least `minimum` of them (zeros in front), backwards from end; returns the start.
char* DigitsBackwards(char* end, uint64_t n, int minimum) noexcept {
  char* p = end;
  do {
    *--p = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0 || end - p < minimum);
  return p;
}

// The line as it is built: pieces go in while they fit the room, and once one does not, none does.
class LineWriter {
 public:
  LineWriter(char* buffer, size_t room) : start_(buffer), end_(buffer + room), at_(buffer) {}
  void Text(const char* text, size_t count) noexcept {
    if (!fits_ || static_cast<size_t>(end_ - at_) < count) {
      fits_ = false;
      return;
    }
    std::memcpy(at_, text, count);
    at_ += count;
  }
  // "%.2d": a minus sign for negative values and at least two digits.
  void TwoDigits(int value) noexcept {
    char digits[16];
    char* end = digits + sizeof digits;
    const uint64_t magnitude = value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : uint64_t(value);
    char* p = DigitsBackwards(end, magnitude, 2);
    if (value < 0) *--p = '-';
    Text(p, static_cast<size_t>(end - p));
  }
  void Fixed(double value, int decimals) noexcept {
    if (!fits_) return;
    const size_t n = FormatFixed(at_, static_cast<size_t>(end_ - at_), value, decimals);
    if (n == 0) fits_ = false;
    at_ += n;
  }
  bool Fits() const noexcept { return fits_; }
  size_t Length() const noexcept { return static_cast<size_t>(at_ - start_); }

 private:
  char* start_;
  char* end_;
  char* at_;
  bool fits_ = true;
};

}  // namespace

size_t FormatFixed(char* out, size_t room, double value, int decimals) noexcept {
  if (decimals < 0 || decimals > 9) return 0;
  // Beyond 2^63 (and for infinities and NaN) the C library's own digits; no track value gets there.
  if (!std::isfinite(value) || std::fabs(value) >= 9223372036854775808.0) {
    char text[400];
    const int n = std::snprintf(text, sizeof text, "%.*f", decimals, value);
    if (n <= 0 || static_cast<size_t>(n) > room || static_cast<size_t>(n) >= sizeof text) return 0;
    std::memcpy(out, text, static_cast<size_t>(n));
    return static_cast<size_t>(n);
  }
  // value = m 2^e exactly; value 10^decimals = m 10^decimals 2^e, whose fraction decides the rounding.
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t m = biased == 0 ? bits & ((uint64_t{1} << 52) - 1)
                                 : (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
  const int e = biased == 0 ? -1074 : biased - 1075;
  const uint64_t scale = kPowersOfTen[decimals];
  const u128 scaled = u128{m} * scale;  // below 2^53 10^9 < 2^83
  u128 q;
  if (e >= 0) {
    q = scaled << e;  // value < 2^63: q < 2^93
  } else if (-e >= 100) {
    q = 0;  // below half a unit of the last digit
  } else {
    const int s = -e;
    q = scaled >> s;
    const u128 rest = scaled & ((u128{1} << s) - 1), half = u128{1} << (s - 1);
    if (rest > half || (rest == half && (q & 1))) ++q;
  }
  char text[48];
  char* end = text + sizeof text;
  char* p = end;
  if (decimals > 0) {
    p = DigitsBackwards(p, static_cast<uint64_t>(q % scale), decimals);
    *--p = '.';
  }
  p = DigitsBackwards(p, static_cast<uint64_t>(q / scale), 1);
  if (std::signbit(value)) *--p = '-';
  const size_t n = static_cast<size_t>(end - p);
  if (n > room) return 0;
  std::memcpy(out, p, n);
  return n;
}

uint8_t TrackChecksum(const char* text, size_t count) noexcept {
  unsigned sum = 0;
  for (size_t i = 0; i < count; ++i)
    sum += static_cast<unsigned char>(text[i]);
  return static_cast<uint8_t>(sum & 0xff);
}

size_t FormatTrackLine(char (&buffer)[kTrackLineSize], const LocalTime& local, const GpsFix& current,
                       const TripStats& s) noexcept {
  // "$TRACK,%.2d%.2d%.2d,%.2d%.2d%.2d,%.4f,%.4f,%.0f,M,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f", written
  // piece by piece: the C library's %f costs several times the whole rest of a fix. Room is left for
  // "*", two digits, CR, LF and the terminating zero.
  constexpr size_t kTail = 5;
  LineWriter line(buffer, kTrackLineSize - kTail - 1);
  line.Text("$TRACK,", 7);
  line.TwoDigits(local.hour);
  line.TwoDigits(local.minute);
  line.TwoDigits(local.second);
  line.Text(",", 1);
  line.TwoDigits(local.year);
  line.TwoDigits(local.month);
  line.TwoDigits(local.day);
  const struct {
    double value;
    int decimals;
  } fields[] = {{current.latitude, 4},
                {current.longitude, 4},
                {static_cast<double>(s.smoothedAltitude), 0},
                {static_cast<double>(current.course), 1},
                {static_cast<double>(current.speedKnots), 1},
                {static_cast<double>(s.pitchAcceleration), 1},
                {static_cast<double>(s.rollCentripetal), 1},
                {static_cast<double>(s.pitchAngle), 1},
                {static_cast<double>(s.rollAngle), 1},
                {static_cast<double>(s.distance), 1},
                {static_cast<double>(s.durationHours), 1}};
  for (const auto& field : fields) {
    line.Text(",", 1);
    line.Fixed(field.value, field.decimals);
    if (field.decimals == 0) line.Text(",M", 2);
  }
  if (!line.Fits()) {
    buffer[0] = '\0';
    return 0;
  }
  const size_t length = line.Length();
  const uint8_t sum = TrackChecksum(buffer + 1, length - 1);
  static const char kHex[] = "0123456789ABCDEF";
  char* tail = buffer + length;
  tail[0] = '*';
  tail[1] = kHex[sum >> 4];
  tail[2] = kHex[sum & 15];
  tail[3] = '\r';
  tail[4] = '\n';
  tail[5] = '\0';
  return length + kTail;
}

std::string TrackFileName(const std::string& folder, const LocalTime& local) {
  char name[64];
  std::snprintf(name, sizeof name, "track%d%.2d%.2d.txt", local.year, local.month, local.day);
  return folder + name;
}

}  // namespace kivu
