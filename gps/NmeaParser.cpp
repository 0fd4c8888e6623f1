#include "gps/NmeaParser.h"

#include "gps/SatelliteSystems.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <locale.h>

namespace kivu {

namespace {

// Sentence keys: c1 + 16 c2 + 256 c3 + 4096 c4 + 65536 c5 over the five name characters.
constexpr int32_t kRmcKey = 4728647;  // GPRMC
constexpr int32_t kGgaKey = 4570183;  // GPGGA
constexpr int32_t kGsaKey = 4619335;  // GPGSA
constexpr int32_t kGsvKey = 5995591;  // GPGSV

// The longest run of characters that may stand between '$' and '*'.
constexpr int kMaxSentenceBody = 254;

constexpr bool IsDigit(char c) noexcept {
  return c >= '0' && c <= '9';
}
constexpr bool IsAlnum(char c) noexcept {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr bool IsSpace(char c) noexcept {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr int HexValue(char c) noexcept {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Moves on by up to n characters, stopping at the terminating zero.
const char* Skip(const char* p, size_t n) noexcept {
  while (n > 0 && *p) {
    ++p;
    --n;
  }
  return p;
}

// The next c at or after p, or the terminating zero. Fields are short: a loop beats a library call.
const char* FindChar(const char* p, char c) noexcept {
  while (*p && *p != c)
    ++p;
  return p;
}

// The character after the next c, or the terminating zero.
const char* After(const char* p, char c) noexcept {
  const char* found = FindChar(p, c);
  return *found ? found + 1 : found;
}

// Up to maxDigits decimal digits, stopping at the first non-digit (none gives 0).
uint16_t ReadDigits(const char* p, int maxDigits) noexcept {
  uint16_t value = 0;
  for (int i = 0; i < maxDigits && IsDigit(p[i]); ++i)
    value = static_cast<uint16_t>(value * 10 + (p[i] - '0'));
  return value;
}

// Two-digit fields at fixed positions 0-1, 2-3 and 4-5; a position beyond the end reads as 0.
// Returns the cursor at position 7, or the end when the text is shorter.
const char* ReadThreePairs(const char* p, uint16_t& a, uint16_t& b, uint16_t& c) noexcept {
  size_t n = strnlen(p, 7);
  a = ReadDigits(p, 2);
  b = n > 2 ? ReadDigits(p + 2, 2) : 0;
  c = n > 4 ? ReadDigits(p + 4, 2) : 0;
  return p + n;
}

locale_t CLocale() noexcept {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

// Shared by latitude and longitude: degrees from up to degreeDigits leading digits, minutes from the
// fixed position after them, hemisphere after the comma that ends the minutes.
const char* ParseCoordinate(const char* p, int degreeDigits, char negative, double& out) noexcept {
  size_t n = strnlen(p, static_cast<size_t>(degreeDigits));
  double degrees = ReadDigits(p, degreeDigits);
  const char* end;
  double minutes = NmeaStrtod(p + n, &end);
  double value = degrees + minutes * (1.0 / 60.0);
  if (*end == '\0') {
    out = value;
    return end;
  }
  const char* hemisphere = end + 1;
  if (*hemisphere == negative) value = -value;
  out = value;
  return Skip(hemisphere, 2);
}

// The field at index (0 = the cursor's) of a sentence.
const char* FieldAt(const char* p, int index) noexcept {
  for (int i = 0; i < index; ++i)
    p = After(p, ',');
  return p;
}

// Whether the fields latitude and longitude of a sentence (cursor at its first field) hold anything:
// a sentence of empty fields must not put the car at 0, 0.
bool HasPosition(const char* p, int latitudeField, int longitudeField) noexcept {
  auto filled = [p](int index) {
    const char* q = FieldAt(p, index);
    return *q != ',' && *q != '*' && *q != '\0';
  };
  return filled(latitudeField) && filled(longitudeField);
}

// Whether a date field (ddmmyy) is empty or a day of the calendar: "2208-1" or 31 February is no date
// a receiver sends, and taking it would move the trip's clock by years.
bool DateFieldHolds(const char* field) noexcept {
  if (*field == ',' || *field == '*' || *field == '\0') return true;
  for (int i = 0; i < 6; ++i)
    if (!IsDigit(field[i])) return false;
  if (field[6] != ',' && field[6] != '*' && field[6] != '\0') return false;
  const int day = ReadDigits(field, 2), month = ReadDigits(field + 2, 2),
            year = 2000 + ReadDigits(field + 4, 2);
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  const bool leap = year % 4 == 0;  // 2000 to 2099: every fourth year
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// Values no receiver sends: a sentence carrying one is not accepted.
bool Plausible(const GpsFix& fix) noexcept {
  auto within = [](double value, double low, double high) {
    return std::isfinite(value) && value >= low && value <= high;
  };
  return within(fix.latitude, -90, 90) && within(fix.longitude, -180, 180) &&
         within(fix.speedKnots, 0, kMaxSpeedKnots) && within(fix.course, 0, 360) &&
         within(fix.altitude, kMinAltitude, kMaxAltitude);
}

// An RMC or GGA body, parsed into a copy of the fix that replaces the fix only when the sentence has
// a position and values a receiver can send; accepted tells which. dateField is the index of the
// sentence's date, or -1 for none. Returns where the scan resumes.
const char* ParsePositionSentence(GpsFix& fix, const char* p,
                                  const char* (*parse)(GpsFix&, const char*) noexcept, int latitudeField,
                                  int dateField, bool& accepted) noexcept {
  GpsFix candidate = fix;
  const char* end = parse(candidate, p);
  if (HasPosition(p, latitudeField, latitudeField + 2) && Plausible(candidate) &&
      (dateField < 0 || DateFieldHolds(FieldAt(p, dateField)))) {
    fix = candidate;
    accepted = true;
  }
  return end;
}

}  // namespace

double NmeaStrtod(const char* p, const char** end) noexcept {
  // Fast path for the plain decimals that NMEA is made of: at most 15 significant digits, so the
  // mantissa and the power of ten are exact doubles and one division rounds exactly as strtod does.
  static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* s = p;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  uint64_t mantissa = 0;
  int digits = 0;
  int fraction = 0;
  while (IsDigit(*s)) {
    mantissa = mantissa * 10 + static_cast<uint64_t>(*s++ - '0');
    ++digits;
    if (digits > 15) break;
  }
  if (*s == '.' && digits <= 15) {
    ++s;
    while (IsDigit(*s)) {
      mantissa = mantissa * 10 + static_cast<uint64_t>(*s++ - '0');
      ++digits;
      ++fraction;
      if (digits > 15) break;
    }
  }
  char next = *s;
  if (digits > 0 && digits <= 15 && !IsDigit(next) && next != 'e' && next != 'E' && next != 'x' &&
      next != 'X' && next != '.') {
    double value = static_cast<double>(mantissa) / kPow10[fraction];
    *end = s;
    return negative ? -value : value;
  }
  // Anything else (exponents, hexadecimal, inf, nan, long digit strings, no number at all) goes to the
  // C library, in the "C" locale so that a user's locale cannot change the decimal point.
  char* stop = nullptr;
  locale_t c = CLocale();
  double value = c ? strtod_l(p, &stop, c) : std::strtod(p, &stop);
  *end = stop;
  return value;
}

int32_t NmeaAtoi(const char* p) noexcept {
  while (IsSpace(*p))
    ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  while (IsDigit(*p)) {
    value = value * 10 + (*p++ - '0');
    if (value > kLimit) value = kLimit;
  }
  if (negative) return static_cast<int32_t>(-value);
  return value > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                     : static_cast<int32_t>(value);
}

int HexToByte(const char* digits, int count, uint8_t& out) noexcept {
  out = 0;
  for (int i = 0; i < count; ++i) {
    int value = HexValue(digits[i]);
    if (value < 0) return 1;
    out = static_cast<uint8_t>((out << 4) | value);
  }
  return 0;
}

int NmeaChecksum(const char* p) noexcept {
  // The first '*' before the terminating zero; it must stand within the first 255 characters.
  const char* star = std::strchr(p, '*');
  if (!star || star - p > kMaxSentenceBody) return 2;
  size_t n = static_cast<size_t>(star - p);
  // Eight characters at a time: the XOR of the words' bytes is the XOR of all the bytes.
  uint64_t words = 0;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    words ^= word;
  }
  words ^= words >> 32;
  words ^= words >> 16;
  words ^= words >> 8;
  uint8_t sum = static_cast<uint8_t>(words);
  for (; i < n; ++i)
    sum = static_cast<uint8_t>(sum ^ static_cast<uint8_t>(p[i]));
  uint8_t expected;
  if (HexToByte(star + 1, 2, expected) != 0) return 3;
  return expected == sum ? 0 : 1;
}

const char* ParseNmeaTime(GpsFix& fix, const char* p) noexcept {
  SystemTime& t = fix.utcTime;
  const char* cursor = ReadThreePairs(p, t.hour, t.minute, t.second);
  if (cursor != p + 7 || p[6] != '.') return cursor;
  // Fractional seconds are a decimal fraction: ".5" and ".50" are 500 ms, ".123456" is 123 ms.
  uint32_t milliseconds = 0;
  int digits = 0;
  for (const char* d = cursor; IsDigit(*d) && digits < 3; ++d, ++digits)
    milliseconds = milliseconds * 10 + static_cast<uint32_t>(*d - '0');
  for (; digits < 3; ++digits)
    milliseconds *= 10;
  t.milliseconds = static_cast<uint16_t>(milliseconds);
  const char* comma = FindChar(cursor, ',');
  return *comma ? comma + 1 : comma;
}

const char* ParseNmeaDate(GpsFix& fix, const char* p) noexcept {
  SystemTime& t = fix.utcTime;
  return ReadThreePairs(p, t.day, t.month, t.year);
}

const char* ParseNmeaLatitude(GpsFix& fix, const char* p) noexcept {
  return ParseCoordinate(p, 2, 'S', fix.latitude);
}

const char* ParseNmeaLongitude(GpsFix& fix, const char* p) noexcept {
  return ParseCoordinate(p, 3, 'W', fix.longitude);
}

const char* ParseRmc(GpsFix& fix, const char* p) noexcept {
  p = ParseNmeaTime(fix, p);
  p = Skip(p, 2);  // the status, already known to be 'A', and its comma
  p = ParseNmeaLatitude(fix, p);
  p = ParseNmeaLongitude(fix, p);
  const char* end;
  fix.speedKnots = static_cast<float>(NmeaStrtod(p, &end));
  p = Skip(end, 1);
  if (IsAlnum(*p)) {
    fix.course = static_cast<float>(NmeaStrtod(p, &end));
    p = Skip(end, 1);
  } else {
    p = Skip(p, 1);  // an empty course keeps the previous one
  }
  p = ParseNmeaDate(fix, p);
  double variation = NmeaStrtod(p, &end);
  if (*end != '\0' && end[1] == 'W') variation = -variation;
  fix.magneticVariation = variation;
  // The mode after the variation's side (NMEA 2.3 on): differential, RTK float and RTK are corrected.
  const char* star = FindChar(end, '*');
  const char* comma = *end == ',' ? FindChar(end + 1, ',') : star;
  if (comma < star && IsAlnum(comma[1]))
    fix.differential = comma[1] == 'D' || comma[1] == 'F' || comma[1] == 'R';
  return star;
}

const char* ParseGga(GpsFix& fix, const char* p) noexcept {
  p = ParseNmeaTime(fix, p);
  p = ParseNmeaLatitude(fix, p);
  p = ParseNmeaLongitude(fix, p);
  // The fix quality, already checked: 2 is differential, 4 and 5 are RTK.
  if (IsAlnum(*p)) fix.differential = *p == '2' || *p == '4' || *p == '5';
  p = Skip(p, IsAlnum(*p) ? 2 : 1);
  fix.satellitesUsed = NmeaAtoi(p);
  p = After(p, ',');
  const char* end;
  fix.hdop = static_cast<float>(NmeaStrtod(p, &end));
  p = After(p, ',');
  // An empty altitude (a 2D fix) keeps the last one rather than putting the car at sea level.
  if (*p != ',' && *p != '*' && *p != '\0') fix.altitude = static_cast<float>(NmeaStrtod(p, &end));
  p = After(p, ',');
  p = Skip(p, *p == ',' ? 1 : 2);  // the altitude unit: "M," or an empty field
  fix.geoidSeparation = static_cast<float>(NmeaStrtod(p, &end));
  return FindChar(end, '*');
}

const char* ParseGsa(GpsFix& fix, const char* p) noexcept {
  fix.selectionMode = *p == 'A' ? 2 : *p == 'M' ? 1 : 0;
  p = After(p, ',');
  fix.fixType = *p == '2' ? 1 : *p == '3' ? 2 : 0;
  for (int i = 0; i < 13; ++i)
    p = After(p, ',');  // the rest of the fix type and twelve satellites
  const char* end;
  fix.pdop = static_cast<float>(NmeaStrtod(p, &end));
  p = After(p, ',');
  fix.hdop = static_cast<float>(NmeaStrtod(p, &end));
  p = After(p, ',');
  fix.vdop = static_cast<float>(NmeaStrtod(p, &end));
  return Skip(end, 1);
}

int NmeaTimeOfDay(const char* field) noexcept {
  int digits[6];
  for (int i = 0; i < 6; ++i) {
    if (!IsDigit(field[i])) return -1;
    digits[i] = field[i] - '0';
  }
  int hour = digits[0] * 10 + digits[1], minute = digits[2] * 10 + digits[3];
  int second = digits[4] * 10 + digits[5];
  if (hour > 23 || minute > 59 || second > 60) return -1;
  int milliseconds = 0;
  if (field[6] == '.') {
    int scale = 100;
    for (const char* d = field + 7; IsDigit(*d) && scale > 0; ++d, scale /= 10)
      milliseconds += (*d - '0') * scale;
  }
  return ((hour * 60 + minute) * 60 + second) * 1000 + milliseconds;
}

bool ParseNmeaBlock(GpsFix& fix, const char* block) noexcept {
  int accepted = 0;
  bool rmcSeen = false;
  bool ggaSeen = false;
  SatellitesInView inView;
  SatelliteSet used;
  const char* p = block;
  // The last line feed of the block, found once: a sentence is followed by another line when it
  // starts before it.
  const char* lastLineFeed = static_cast<const char*>(memrchr(block, '\n', std::strlen(block)));
  for (;;) {
    const char* dollar = std::strchr(p, '$');
    // Only a position makes a fix worth handing on: GSA and GSV alone would repeat the last one.
    if (!dollar) return accepted > 0 && (rmcSeen || ggaSeen);
    p = dollar + 1;
    // Whether this sentence, good or bad, is followed by another line.
    bool moreLines = lastLineFeed && p <= lastLineFeed;

    if (NmeaChecksum(p) == 0) {
      // Every satellite system's talker reads as the GPS talker GP.
      int constellation = p[0] != '\0' ? TalkerConstellation(p[0], p[1]) : -1;
      int32_t key = 0;
      int32_t weight = 1;
      for (int i = 0; i < 5 && p[i] != '\0'; ++i, weight *= 16) {
        char c = constellation >= 0 && i < 2 ? "GP"[i] : p[i];
        key += static_cast<signed char>(c) * weight;
      }
      p = Skip(p, 6);
      if (key > kRmcKey) {
        if (key == kGsvKey) {
          ++accepted;
          const char* star = std::strchr(p, '*');
          if (!star) star = p + std::strlen(p);
          inView.Add(constellation, p, star);
          fix.satellitesInView = inView.Total();
          p = star;
        } else {
          p = FindChar(p, '*');
        }
      } else if (key == kRmcKey) {
        // The first RMC of the cycle counts; another talker's RMC of the same second is skipped.
        if (rmcSeen) {
          p = FindChar(p, '*');
        } else {
          const char* comma = FindChar(p, ',');
          if (*comma == '\0' || comma[1] != 'A') return false;
          p = ParsePositionSentence(fix, p, ParseRmc, 2, 8, rmcSeen);
          accepted += rmcSeen;
        }
      } else if (key == kGgaKey) {
        if (ggaSeen) {
          p = FindChar(p, '*');
        } else {
          const char* quality = p;
          for (int i = 0; i < 5; ++i)
            quality = After(quality, ',');
          if (*quality == '0') return false;
          p = ParsePositionSentence(fix, p, ParseGga, 1, -1, ggaSeen);
          if (used.Count() > 0) fix.satellitesUsed = used.Count();  // GSAs came first
          accepted += ggaSeen;
        }
      } else if (key == kGsaKey) {
        ++accepted;
        const char* comma = FindChar(p, ',');
        char fixTypeChar = *comma ? comma[1] : '\0';
        if (!IsAlnum(fixTypeChar) || fixTypeChar == '1') return false;
        const char* star = std::strchr(p, '*');
        AddGsaSatellites(used, constellation, p, star ? star : p + std::strlen(p));
        // The satellites the GSAs name are all the cycle's; a GGA counts at most 12, or one system's.
        if (used.Count() > 0) fix.satellitesUsed = used.Count();
        p = ParseGsa(fix, p);
      } else {
        p = FindChar(p, '*');
      }
    }
    if (!moreLines) return rmcSeen || ggaSeen;
  }
}

}  // namespace kivu
