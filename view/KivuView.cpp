#include "view/KivuView.h"

#include <cstdio>
#include <limits>

#include "gps/GpsMessageLog.h"
#include "trip/TrackLine.h"
#include "trip/TripMath.h"
#include "view/DashboardPaint.h"

namespace kivu {

CKivuView::CKivuView(ViewWindow& window, AppSettings settings, const Clock& clock)
    : window_(window),
      settings_(std::move(settings)),
      clock_(&clock),
      paintBuffers_(std::make_unique<DashboardBuffers>()) {}

CKivuView::~CKivuView() {
  DestroyReceiver();
  trackFile_.Close();
}

int CKivuView::OnGpsFix(const GpsFix& fix) {
  previousFix_ = currentFix_;
  currentFix_ = fix;
  if (statsStarted_ == 0) {
    ++fixMessageCount_;
    if (fixMessageCount_ < 2) {
      gpsTracker_.FixArrived(fix, clock_->Now());
      UpdateGpsState();
      return -1;
    }
    // Seed the altitude filter with the mean of the first two fixes.
    stats_.smoothedAltitude = (previousFix_.altitude + currentFix_.altitude) * 0.5f;
    statsStarted_ = 1;
  }
  const int64_t now = clock_->Now();
  fixTime_ = now;
  restartRates_ = gpsTracker_.FixWouldReturn(now);
  gpsTracker_.FixArrived(fix, now);
  UpdateTripStats();
  WriteTrackLine(now);
  UpdateGpsState();
  return -1;
}

void CKivuView::UpdateTripStats() {
  int64_t elapsed;
  if (__builtin_sub_overflow(fixTime_, tripStartTime_, &elapsed))
    elapsed = fixTime_ < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  const TripChoices choices{settings_.unitSelection, settings_.pitchSource, settings_.rollSource};
  UpdateTripFigures(stats_, previousFix_, currentFix_, elapsed, choices, restartRates_);
  restartRates_ = false;
  window_.Invalidate(true);
}

void CKivuView::UpdateGpsState() {
  const int64_t now = clock_->Now();
  if (receiver_) {
    std::string port = receiver_->PortPath();
    if (!port.empty()) gpsPortName_ = port;
    gpsTracker_.Observe(receiver_->SourceOpen(), receiver_->SentenceCount(), now);
  }
  GpsState state = gpsTracker_.StateAt(now);
  int64_t lost = state == GpsState::Lost ? gpsTracker_.FixAge(now) : 0;
  if (state != gpsState_ && reportGpsState_) {
    std::fprintf(stderr, "kivu: GPS %s: %s\n", gpsPortName_.empty() ? "(no port)" : gpsPortName_.c_str(),
                 GpsStateName(state));
  }
  if (state == gpsState_ && lost == lostSeconds_) return;
  gpsState_ = state;
  lostSeconds_ = lost;
  window_.Invalidate(true);
}

float CKivuView::GreatCircleDistance(float radius) const {
  return kivu::GreatCircleDistance(previousFix_, currentFix_, radius);
}

float CKivuView::FixInterval() const {
  return kivu::FixInterval(previousFix_, currentFix_);
}

void CKivuView::SetRecordTrack(int32_t record) {
  if (record == 0) {
    trackFile_.Close();
    return;
  }
  // The file opened earlier stays in use, even when the local date has changed since.
  if (trackFile_.IsOpen()) return;
  LocalTime local;
  ToLocalTime(clock_->Now(), local);
  if (!trackFile_.Open(TrackFileName(settings_.recordFolder, local)))
    window_.ShowMessageBox(kOpenFileFailed, "");
}

bool CKivuView::SetRecordTrackFile(const std::string& path) {
  trackFile_.Close();
  if (trackFile_.Open(path)) {
    trackFile_.SetBatching(true);  // a replay's lines come far faster than a receiver's
    return true;
  }
  window_.ShowMessageBox(kOpenFileFailed, "");
  return false;
}

void CKivuView::WriteTrackLine(int64_t now) {
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

void CKivuView::SetReceiver(std::unique_ptr<CGpsParser> receiver) {
  DestroyReceiver();
  receiver_ = std::move(receiver);
  if (!receiver_) return;
  receiver_->SetClock(*clock_);
  receiver_->SetMessageBox([this](const std::string& text) { window_.ShowMessageBox(text, ""); });
}

void CKivuView::DestroyReceiver() {
  receiver_.reset();
}

}  // namespace kivu
