// A drive as one HTML page to keep or print: the trip figures the dashboard showed at the end, the track
// seen from above, and speed, altitude and vertical speed against the time of day. The page stands
// alone (inline SVG and style; no script, font, picture or link), so that it opens anywhere offline.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "gps/GpsFix.h"
#include "tools/ReportPlots.h"
#include "trip/TripStats.h"

namespace kivu {

class DriveReport {
 public:
  // unitSelection: the dashboard's unit system, the one the figures handed in are in.
  explicit DriveReport(int unitSelection) : unitSelection_(unitSelection) {}

  // One fix handed to the dashboard, with the trip figures as they stand after it. newSegment: the
  // fix comes back after the fix was lost (the line to it is no road driven).
  void AddFix(const GpsFix& fix, bool newSegment, const TripStats& after);

  // The page, named after the capture; stats: the figures at the end of the drive.
  std::string Page(std::string_view captureName, const TripStats& stats) const;

  size_t Fixes() const noexcept { return track_.size(); }

 private:
  void AppendFigures(std::string& out, const TripStats& stats) const;

  int unitSelection_;
  std::vector<TrackPoint> track_;
  std::vector<TimedValue> speed_, altitude_, verticalSpeed_;
  bool figuresShown_ = false;  // the last fix had figures: the next one's continue its line
  double firstSeconds_ = 0, lastSeconds_ = 0;
};

}  // namespace kivu
