#include "tools/ReportPlots.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>
#include <vector>

#include "platform/Clock.h"
#include "trip/GpxWriter.h"
#include "trip/TripMath.h"

namespace kivu {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A coordinate of the drawing with one decimal ('.' whatever the locale); 0 for what is no number.
void AppendNumber(std::string& out, double value, int decimals = 1) {
  char text[32];
  const std::to_chars_result written = std::to_chars(
      text, text + sizeof text, std::isfinite(value) ? value : 0.0, std::chars_format::fixed, decimals);
  if (written.ec == std::errc()) out.append(text, written.ptr);
}

void AppendInt(std::string& out, long long value) {
  char text[24];
  const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
  out.append(text, written.ptr);
}

void AppendPoint(std::string& out, char command, double x, double y) {
  out += command;
  AppendNumber(out, x);
  out += ',';
  AppendNumber(out, y);
}

// <text class="..." x=".." y="..">words</text>, the anchor given when not the start.
void AppendText(std::string& out, const char* cls, double x, double y, std::string_view words,
                const char* anchor = nullptr) {
  out += "<text class=\"";
  out += cls;
  out += "\" x=\"";
  AppendNumber(out, x);
  out += "\" y=\"";
  AppendNumber(out, y);
  out += '"';
  if (anchor) {
    out += " text-anchor=\"";
    out += anchor;
    out += '"';
  }
  out += '>';
  AppendXmlEscaped(out, words);
  out += "</text>";
}

void AppendLine(std::string& out, const char* cls, double x1, double y1, double x2, double y2) {
  out += "<path class=\"";
  out += cls;
  out += "\" d=\"";
  AppendPoint(out, 'M', x1, y1);
  AppendPoint(out, 'L', x2, y2);
  out += "\"/>";
}

// The drawing's start: its size in the page's units, and a ground to draw on.
void AppendSvgHead(std::string& out, const char* cls, double width, double height, const char* label) {
  out += "<svg class=\"";
  out += cls;
  out += "\" viewBox=\"0 0 ";
  AppendNumber(out, width, 0);
  out += ' ';
  AppendNumber(out, height, 0);
  out += "\" role=\"img\" aria-label=\"";
  AppendXmlEscaped(out, label);
  out += "\"><rect class=\"ground\" width=\"";
  AppendNumber(out, width, 0);
  out += "\" height=\"";
  AppendNumber(out, height, 0);
  out += "\"/>";
}

// A step of 1, 2 or 5 times a power of ten that cuts range into about parts steps; at least 1, as the
// figures are whole numbers.
double NiceStep(double range, int parts) {
  const double raw = std::max(range / parts, 1.0);
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10.0 * power;
}

// The seconds local time is ahead of UTC at t, within a day.
double LocalOffset(double t) {
  LocalTime local;
  if (!ToLocalTime(static_cast<int64_t>(std::floor(t)), local)) return 0;
  double offset =
      local.hour * 3600.0 + local.minute * 60.0 + local.second - std::fmod(std::floor(t), 86400.0);
  if (offset > 50400) offset -= 86400;
  if (offset < -50400) offset += 86400;
  return offset;
}

// "HH:MM" of the local time at t, as the dashboard's clock shows it, or "HH:MM:SS".
std::string ClockText(double t, bool seconds) {
  LocalTime local;
  if (!ToLocalTime(static_cast<int64_t>(std::floor(t)), local)) return seconds ? "--:--:--" : "--:--";
  const int parts[] = {local.hour, local.minute, local.second};
  char text[8];
  for (int i = 0; i < 3; ++i) {
    text[3 * i] = static_cast<char>('0' + parts[i] / 10 % 10);
    text[3 * i + 1] = static_cast<char>('0' + parts[i] % 10);
    if (i < 2) text[3 * i + 2] = ':';
  }
  return std::string(text, seconds ? 8 : 5);
}

// The points of one column of a time plot that keep its shape: the first, the lowest, the highest and
// the last, in the order they came (a spike survives the thinning).
void AppendColumn(std::string& out, std::span<const TimedValue> column, double x, auto&& yOf, bool& started) {
  size_t keep[4] = {0, 0, 0, column.size() - 1};
  for (size_t i = 1; i < column.size(); ++i) {
    if (column[i].value < column[keep[1]].value) keep[1] = i;
    if (column[i].value > column[keep[2]].value) keep[2] = i;
  }
  std::sort(std::begin(keep), std::end(keep));
  for (size_t k = 0; k < std::size(keep); ++k) {
    if (k > 0 && keep[k] == keep[k - 1]) continue;
    AppendPoint(out, started ? 'L' : 'M', x, yOf(column[keep[k]].value));
    started = true;
  }
}

// A scale bar in the bottom left corner of a drawing bottom high: the longest round distance that
// takes at most 160 pixels, in feet below a mile and miles where imperial.
void AppendScaleBar(std::string& out, double pixelsPerMetre, bool imperial, double bottom) {
  struct Length {
    int count;
    const char* unit;
    double metres;
  };
  std::vector<Length> lengths;
  const double small = imperial ? 0.3048 : 1.0, big = imperial ? 1609.344 : 1000.0;
  for (int count : {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000})
    if (count * small < big) lengths.push_back({count, imperial ? "ft" : "m", count * small});
  for (int count : {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000})
    lengths.push_back({count, imperial ? "mile" : "km", count * big});
  Length shown = lengths.front();
  for (const Length& length : lengths)
    if (length.metres * pixelsPerMetre <= 160) shown = length;
  const double x = 24, y = bottom - 20, width = shown.metres * pixelsPerMetre;
  out += "<path class=\"scale\" d=\"";
  AppendPoint(out, 'M', x, y - 6);
  out += "v6h";
  AppendNumber(out, width);
  out += "v-6\"/>";
  std::string label;
  AppendInt(label, shown.count);
  label += ' ';
  label += shown.unit;
  AppendText(out, "tick", x + width + 8, y + 5, label);
}

}  // namespace

std::string TrackSvg(std::span<const TrackPoint> points, bool imperial) {
  std::vector<TrackPoint> shown;
  shown.reserve(points.size());
  double latitudes = 0;
  bool breaks = false;  // a place left out that started a segment hands that on to the next one
  for (const TrackPoint& p : points) {
    if (!std::isfinite(p.latitude) || !std::isfinite(p.longitude)) {
      breaks |= p.newSegment;
      continue;
    }
    shown.push_back(p);
    shown.back().newSegment |= breaks;
    breaks = false;
    latitudes += p.latitude;
  }
  // Room beside the track for the marks' words and the north arrow in the top right corner.
  constexpr double kMarginX = 72, kMarginY = 40, kMostHeight = 500, kLeastHeight = 200;
  if (shown.empty()) {
    std::string out;
    AppendSvgHead(out, "track", kTrackWidth, kLeastHeight, "no track");
    out += "</svg>";
    return out;
  }
  // A degree of longitude is shorter than one of latitude by the cosine of the latitude.
  const double across = std::cos(latitudes / static_cast<double>(shown.size()) * kPi / 180.0);
  double left = std::numeric_limits<double>::max(), right = -left, bottom = left, top = -left;
  for (const TrackPoint& p : shown) {
    left = std::min(left, p.longitude * across);
    right = std::max(right, p.longitude * across);
    bottom = std::min(bottom, p.latitude);
    top = std::max(top, p.latitude);
  }
  const double width = right - left, height = top - bottom;
  double scale = 1;  // a track that stayed on one spot
  if (width > 0 || height > 0) {
    scale = std::min(width > 0 ? (kTrackWidth - 2 * kMarginX) / width : std::numeric_limits<double>::max(),
                     height > 0 ? (kMostHeight - 2 * kMarginY) / height : std::numeric_limits<double>::max());
  }
  const double drawingHeight = std::max(height * scale + 2 * kMarginY, kLeastHeight);
  const double x0 = (kTrackWidth - width * scale) / 2, y0 = (drawingHeight - height * scale) / 2;
  const auto xOf = [&](const TrackPoint& p) { return x0 + (p.longitude * across - left) * scale; };
  const auto yOf = [&](const TrackPoint& p) { return y0 + (top - p.latitude) * scale; };

  std::string out;
  out.reserve(size_t{64} * 1024);
  AppendSvgHead(out, "track", kTrackWidth, drawingHeight, "the track seen from above, north up");
  // One path per stretch with a fix; a point that falls on the pixel of the last one kept adds nothing.
  long long lastX = 0, lastY = 0;
  size_t kept = 0;
  for (size_t i = 0; i < shown.size(); ++i) {
    const bool starts = i == 0 || shown[i].newSegment;
    const bool ends = i + 1 == shown.size() || shown[i + 1].newSegment;
    const double x = xOf(shown[i]), y = yOf(shown[i]);
    const long long pixelX = std::llround(x), pixelY = std::llround(y);
    if (starts) {
      out += "<path class=\"line\" d=\"";
      kept = 0;
    }
    if (starts || ends || pixelX != lastX || pixelY != lastY) {
      AppendPoint(out, kept == 0 ? 'M' : 'L', x, y);
      lastX = pixelX;
      lastY = pixelY;
      ++kept;
    }
    if (ends) out += kept == 1 ? "h0\"/>" : "\"/>";  // a lone fix shows as a dot
  }
  const double startX = xOf(shown.front()), startY = yOf(shown.front());
  const double endX = xOf(shown.back()), endY = yOf(shown.back());
  out += "<circle class=\"start\" cx=\"";
  AppendNumber(out, startX);
  out += "\" cy=\"";
  AppendNumber(out, startY);
  out += "\" r=\"9\"/><rect class=\"end\" x=\"";
  AppendNumber(out, endX - 8);
  out += "\" y=\"";
  AppendNumber(out, endY - 8);
  out += "\" width=\"16\" height=\"16\"/>";
  // Each word right of its mark, or left of it where it would run into the north arrow's column.
  const auto mark = [&](double x, double y, double dy, const char* word) {
    const bool right = x + 14 + 56 < kTrackWidth - 48;
    AppendText(out, "mark", right ? x + 14 : x - 14, y + dy, word, right ? nullptr : "end");
  };
  mark(startX, startY, -10, "Start");
  mark(endX, endY, 22, "End");
  // A degree of latitude on the sphere the trip measures its distance on.
  constexpr double kMetresPerDegree = kEarthRadiusKm * 1000.0 * kPi / 180.0;
  if (width > 0 || height > 0) AppendScaleBar(out, scale / kMetresPerDegree, imperial, drawingHeight);
  AppendText(out, "north", kTrackWidth - 24, 36, "N", "middle");
  AppendLine(out, "axis", kTrackWidth - 24, 70, kTrackWidth - 24, 44);
  out += "<path class=\"arrow\" d=\"M976,42l-7,12h14z\"/></svg>";
  return out;
}

std::string TimePlotSvg(std::span<const TimedValue> values, const TimePlot& plot, double start, double end) {
  constexpr double kWidth = 1000, kHeight = 220, kLeft = 72, kRight = 20, kTop = 40, kBottom = 34;
  constexpr double kPlotWidth = kWidth - kLeft - kRight, kPlotHeight = kHeight - kTop - kBottom;
  std::string out;
  out.reserve(size_t{64} * 1024);
  AppendSvgHead(out, "plot", kWidth, kHeight, plot.title);
  AppendText(out, "title", kLeft, 26, plot.title);
  out += "<text class=\"unit\" x=\"";
  AppendNumber(out, kWidth - kRight);
  out += "\" y=\"26\" text-anchor=\"end\">";
  AppendXmlEscaped(out, plot.unit);
  out += " against local time</text>";

  // The figures' range in whole steps; a flat line gets a step either side.
  double lowest = std::numeric_limits<double>::max(), highest = -lowest;
  for (const TimedValue& v : values) {
    lowest = std::min(lowest, static_cast<double>(v.value));
    highest = std::max(highest, static_cast<double>(v.value));
  }
  if (values.empty()) lowest = highest = 0;
  const double step = NiceStep(highest - lowest, 4);
  double low = std::floor(lowest / step) * step, high = std::ceil(highest / step) * step;
  if (high <= low) {
    low -= step;
    high += step;
  }
  const auto yOf = [&](double value) { return kTop + (high - value) / (high - low) * kPlotHeight; };
  const int valueTicks = static_cast<int>(std::lround((high - low) / step));
  for (int k = 0; k <= valueTicks; ++k) {
    const double tick = low + k * step;
    AppendLine(out, tick == 0 && low < 0 ? "zero" : "grid", kLeft, yOf(tick), kLeft + kPlotWidth, yOf(tick));
    std::string label;
    AppendInt(label, std::llround(tick));
    AppendText(out, "tick", kLeft - 8, yOf(tick) + 5, label, "end");
  }

  // Time ticks on whole local seconds, minutes, hours or days, seven at most; seconds are written only
  // where the ticks are less than a minute apart.
  if (!(end > start)) end = start + 60;
  const double span = end - start;
  const auto xOf = [&](double t) { return kLeft + (t - start) / span * kPlotWidth; };
  constexpr double kSteps[] = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                               600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
  double timeStep = std::ceil(span / 7 / 86400) * 86400;
  for (double s : kSteps) {
    if (span / s <= 7) {
      timeStep = s;
      break;
    }
  }
  const double offset = LocalOffset(start);
  const double firstTick = std::ceil((start + offset) / timeStep) * timeStep - offset;
  const int timeTicks = static_cast<int>(std::floor((end - firstTick) / timeStep));
  for (int k = 0; k <= timeTicks; ++k) {
    const double tick = firstTick + k * timeStep;
    AppendLine(out, "grid", xOf(tick), kTop, xOf(tick), kTop + kPlotHeight);
    AppendText(out, "tick", xOf(tick), kHeight - 10, ClockText(tick, timeStep < 60), "middle");
  }
  AppendLine(out, "axis", kLeft, kTop, kLeft, kTop + kPlotHeight);
  AppendLine(out, "axis", kLeft, kTop + kPlotHeight, kLeft + kPlotWidth, kTop + kPlotHeight);

  // One path per stretch with a fix, each pixel column of it thinned to four points at most.
  const auto columnOf = [&](double t) {
    return std::clamp(static_cast<long long>((t - start) / span * kPlotWidth), 0LL,
                      static_cast<long long>(kPlotWidth) - 1);
  };
  size_t i = 0;
  while (i < values.size()) {
    size_t pieceEnd = i + 1;
    while (pieceEnd < values.size() && !values[pieceEnd].newSegment)
      ++pieceEnd;
    out += "<path class=\"";
    out += plot.lineClass;
    out += "\" d=\"";
    bool started = false;
    size_t points = 0;
    for (size_t c = i; c < pieceEnd;) {
      const long long column = columnOf(values[c].seconds);
      size_t next = c + 1;
      while (next < pieceEnd && columnOf(values[next].seconds) == column)
        ++next;
      AppendColumn(out, values.subspan(c, next - c), kLeft + static_cast<double>(column) + 0.5, yOf, started);
      points += next - c;
      c = next;
    }
    out += points == 1 ? "h0\"/>" : "\"/>";
    i = pieceEnd;
  }
  out += "</svg>";
  return out;
}

}  // namespace kivu
