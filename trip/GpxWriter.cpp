#include "trip/GpxWriter.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace kivu {

namespace {

constexpr std::string_view kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"Kivu\" xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
    "     xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
    "     xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\"\n"
    "     xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
    "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n";

// Room enough for any one point, so that a point never makes the buffer grow.
constexpr size_t kPointRoom = 4096;

// A number as XML Schema's decimal wants it: fixed notation, '.' whatever the locale. Without
// decimals, the fewest digits that read back as the same value; a value so close to 0 that those
// would run past 20 digits (schema checkers refuse long decimals) gets twelve decimals instead. False
// for values that are not finite or too large to be a position or a speed (nothing is appended then).
template <typename T>
bool AppendNumber(std::string& out, T value, int decimals = -1) {
  if (!std::isfinite(value) || std::fabs(value) > 1e9) return false;
  constexpr std::ptrdiff_t kMostChars = 22;  // a sign, a point and 20 digits
  char text[64];
  std::to_chars_result written{text, std::errc::value_too_large};
  if (decimals < 0) {
    written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    if (written.ec == std::errc() && written.ptr - text > kMostChars) written.ec = std::errc::value_too_large;
  }
  if (written.ec != std::errc())
    written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed,
                            decimals < 0 ? 12 : decimals);
  if (written.ec != std::errc()) return false;
  out.append(text, written.ptr);
  return true;
}

void AppendDigits(std::string& out, unsigned value, int width) {
  char text[8];
  for (int i = width - 1; i >= 0; --i, value /= 10)
    text[i] = static_cast<char>('0' + value % 10);
  out.append(text, static_cast<size_t>(width));
}

// A date that is one: a receiver's day 31 of a short month names no day a schema checker accepts.
bool HasDate(const SystemTime& t) noexcept {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.year > 99 || t.month < 1 || t.month > 12 || t.day < 1) return false;
  const bool leap = t.year % 4 == 0;  // 2000 to 2099
  return t.day <= kDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
}

// YYYY-MM-DD of the fix's UTC date: the receiver's two-digit year is of this century.
void AppendDate(std::string& out, const SystemTime& t) {
  AppendDigits(out, 2000u + t.year, 4);
  out += '-';
  AppendDigits(out, t.month, 2);
  out += '-';
  AppendDigits(out, t.day, 2);
}

// <name>value</name>, or nothing when appendValue has no value to give.
void AppendElement(std::string& out, std::string_view name, auto&& appendValue) {
  const size_t start = out.size();
  out += '<';
  out += name;
  out += '>';
  if (!appendValue()) {
    out.resize(start);
    return;
  }
  out += "</";
  out += name;
  out += '>';
}

// An element for a value of the fix that the receiver gave: DOPs and counts of 0 were not sent.
void AppendPositive(std::string& out, std::string_view name, float value) {
  if (value > 0) AppendElement(out, name, [&] { return AppendNumber(out, value); });
}

}  // namespace

void AppendXmlEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
}

GpxWriter::GpxWriter(Sink sink) : sink_(std::move(sink)) {
  buffer_.reserve(kBufferBytes + kPointRoom);
  buffer_ += kHead;
}

std::string_view GpxHead() noexcept {
  return kHead;
}

bool AppendGpxPoint(std::string& out, const GpsFix& fix) {
  if (!std::isfinite(fix.latitude) || !std::isfinite(fix.longitude) || std::fabs(fix.latitude) > 90 ||
      std::fabs(fix.longitude) > 180)
    return false;
  const SystemTime& t = fix.utcTime;
  out += "   <trkpt lat=\"";
  AppendNumber(out, fix.latitude);
  out += "\" lon=\"";
  // The schema's longitudes stop short of 180; 180 E is 180 W.
  AppendNumber(out, fix.longitude == 180.0 ? -180.0 : fix.longitude);
  out += "\">";
  // An altitude needs a 3D fix; a receiver that never says which fix it has gives one with its GGA.
  if (fix.fixType == 2 || (fix.fixType == 0 && fix.altitude != 0))
    AppendElement(out, "ele", [&] { return AppendNumber(out, fix.altitude); });
  if (HasDate(t) && t.hour < 24 && t.minute < 60 && t.second < 60 && t.milliseconds < 1000) {
    out += "<time>";
    AppendDate(out, t);
    out += 'T';
    AppendDigits(out, t.hour, 2);
    out += ':';
    AppendDigits(out, t.minute, 2);
    out += ':';
    AppendDigits(out, t.second, 2);
    if (t.milliseconds != 0) {
      out += '.';
      AppendDigits(out, t.milliseconds, 3);
    }
    out += "Z</time>";
  }
  if (fix.differential)
    out += "<fix>dgps</fix>";
  else if (fix.fixType == 1)
    out += "<fix>2d</fix>";
  else if (fix.fixType == 2)
    out += "<fix>3d</fix>";
  if (fix.satellitesUsed > 0) {
    char text[16];
    const auto [end, error] = std::to_chars(text, text + sizeof text, fix.satellitesUsed);
    out += "<sat>";
    out.append(text, end);
    out += "</sat>";
  }
  AppendPositive(out, "hdop", fix.hdop);
  AppendPositive(out, "vdop", fix.vdop);
  AppendPositive(out, "pdop", fix.pdop);
  // Knots as received, in metres per second: 1852 m per nautical mile.
  const double metresPerSecond = static_cast<double>(fix.speedKnots) * (1852.0 / 3600.0);
  out += "<extensions><gpxtpx:TrackPointExtension>";
  AppendElement(out, "gpxtpx:speed", [&] { return AppendNumber(out, metresPerSecond, 3); });
  AppendElement(out, "gpxtpx:course", [&] { return AppendNumber(out, fix.course); });
  out += "</gpxtpx:TrackPointExtension></extensions></trkpt>\n";
  return true;
}

void GpxWriter::AddPoint(const GpsFix& fix, bool newSegment) {
  if (!std::isfinite(fix.latitude) || !std::isfinite(fix.longitude) || std::fabs(fix.latitude) > 90 ||
      std::fabs(fix.longitude) > 180)
    return;
  const SystemTime& t = fix.utcTime;
  std::string& out = buffer_;
  if (points_ == 0) {
    out += " <trk>\n";
    // Named by the first fix's date; a fix without a date (an RMC with its date empty) names nothing.
    if (HasDate(t)) {
      out += "  <name>";
      std::string date;  // once per document
      AppendDate(date, t);
      AppendXmlEscaped(out, date);
      out += "</name>\n";
    }
    out += "  <trkseg>\n";
  } else if (newSegment) {
    out += "  </trkseg>\n  <trkseg>\n";
  }
  ++points_;
  AppendGpxPoint(out, fix);
  if (out.size() >= kBufferBytes) Flush();
}

void GpxWriter::Flush() {
  if (!failed_ && !buffer_.empty() && !sink_(buffer_)) failed_ = true;
  buffer_.clear();
}

bool GpxWriter::Finish() {
  if (points_ > 0) buffer_ += "  </trkseg>\n </trk>\n";
  buffer_ += "</gpx>\n";
  Flush();
  return !failed_;
}

}  // namespace kivu
