#include "trip/TripRecorder.h"

#include <cstdio>
#include <limits>

#include "trip/TrackLine.h"
#include "trip/TripMath.h"

namespace kivu {

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
  int64_t elapsed;
  if (__builtin_sub_overflow(now, tripStartTime_, &elapsed))
    elapsed = now < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  UpdateTripFigures(stats_, previousFix_, currentFix_, elapsed, choices, restartRates);
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
  return trackFile_.Open(TrackFileName(folder, local));
}

bool TripRecorder::OpenTrackFile(const std::string& path) {
  trackFile_.Close();
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
    if (!reportedLongLine_)
      std::fprintf(stderr,
                   "kivu: a fix with values far outside their ranges was left out of the track file\n");
    reportedLongLine_ = true;
    return;
  }
  trackFile_.WriteLine(line, length);
}

}  // namespace kivu
