// The drive report's drawings, as inline SVG: the track seen from above, and a figure against the time
// of day. Each is thinned to the pixels it fills, so that a day's drive draws as fast as a minute's, and
// a stretch without a fix stays a gap. Numbers never follow the locale.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kivu {

// A fix's place; newSegment: the fix comes back after the fix was lost, so no line leads to it.
struct TrackPoint {
  double latitude = 0;
  double longitude = 0;
  bool newSegment = false;
};

// A figure as the dashboard showed it, at the UTC time of the fix (seconds since 1970); newSegment as
// above, or the figure was not shown before.
struct TimedValue {
  double seconds = 0;
  int32_t value = 0;
  bool newSegment = false;
};

// The track in a local projection (equal distances along and across the mean latitude, north up),
// start and end marked, with a scale bar in metres and kilometres, or in feet and miles where imperial.
// The drawing is kTrackWidth wide and as high as the track's shape needs.
inline constexpr int kTrackWidth = 1000;
std::string TrackSvg(std::span<const TrackPoint> points, bool imperial = false);

// What a time plot shows: its title, its unit, and the class its line is drawn in (the page's style
// gives the colour).
struct TimePlot {
  const char* title;
  const char* unit;
  const char* lineClass;
};

// The values against the local time of day from start to end (UTC seconds), with axes, tick labels
// and the unit.
std::string TimePlotSvg(std::span<const TimedValue> values, const TimePlot& plot, double start, double end);

}  // namespace kivu
