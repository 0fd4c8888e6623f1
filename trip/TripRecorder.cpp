#include "trip/TripRecorder.h"

#include <cstdio>
#include <limits>

#include "platform/Diagnostics.h"
#include "trip/FixClock.h"
#include "trip/TrackLine.h"
#include "trip/TripMath.h"

namespace kivu {

namespace {

// A fix's date and time as the receiver sent them, for messages: "2009-12-09 15:25:08".
std::string FixTimeText(const GpsFix& fix) {
  const SystemTime& t = fix.utcTime;
  char text[48];
  std::snprintf(text, sizeof text, "20%02u-%02u-%02u %02u:%02u:%02u", unsigned{t.year}, unsigned{t.month},
                unsigned{t.day}, unsigned{t.hour}, unsigned{t.minute}, unsigned{t.second});
  return text;
}

}  // namespace

bool TripRecorder::TakeFix(const GpsFix& fix) {
  previousFix_ = currentFix_;
  currentFix_ = fix;
  if (statsStarted_) return true;
  if (!firstFixTaken_) {
    firstFixTaken_ = true;
    return false;
  }
  stats_.smoothedAltitude = (previousFix_.altitude + currentFix_.altitude) * 0.5f;
  statsStarted_ = true;
  return true;
}

void TripRecorder::UpdateTripStats(int64_t now, const TripChoices& choices, bool restartRates) {
  TripStep how = restartRates ? TripStep::AfterLoss : TripStep::Continuous;
  if (FixTimeJumps(previousFix_, currentFix_)) {
    how = TripStep::TimeJump;
    ReportOnce(reportScope_ + "time-jump", DiagnosticLevel::Warning,
               "the receiver's time jumps from " + FixTimeText(previousFix_) + " to " +
                   FixTimeText(currentFix_) + " UTC; the trip takes no step across it");
  }
  int64_t elapsed;
  if (__builtin_sub_overflow(now, tripStartTime_, &elapsed))
    elapsed = now < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  UpdateTripFigures(stats_, previousFix_, currentFix_, elapsed, choices, how);
}

float TripRecorder::GreatCircleDistance(float radius) const {
  return kivu::GreatCircleDistance(previousFix_, currentFix_, radius);
}

float TripRecorder::FixInterval() const {
  return kivu::FixInterval(previousFix_, currentFix_);
}

bool TripRecorder::OpenDailyTrackFile(const std::string& folder, int64_t now) {
  if (trackFile_.IsOpen()) return true;
  LocalTime local;
  ToLocalTime(now, local);
  std::string path = TrackFileName(folder, local);
  if (!trackFile_.Open(path)) return false;
  path.replace(path.size() - 3, 3, "gpx");
  char day[32];
  std::snprintf(day, sizeof day, "%04d-%02d-%02d", local.year, local.month, local.day);
  gpx_.Open(path, day);
  return true;
}

bool TripRecorder::OpenTrackFile(const std::string& path) {
  CloseTrackFile();
  if (!trackFile_.Open(path)) return false;
  trackFile_.SetBatching(true);  // a replay's lines come far faster than a receiver's
  return true;
}

void TripRecorder::WriteTrackLine(int64_t now) {
  if (!trackFile_.IsOpen()) return;
  LocalTime local;
  ToLocalTime(now, local);
  char line[kTrackLineSize];
  const size_t length = FormatTrackLine(line, local, currentFix_, stats_);
  if (length == 0) {
    ReportOnce(reportScope_ + "long-line", DiagnosticLevel::Warning,
               "a fix with values far outside their ranges was left out of the track file");
    return;
  }
  trackFile_.WriteLine(line, length);
  if (gpx_.IsOpen()) gpx_.AddPoint(currentFix_);
}

}  // namespace kivu
