#include "view/KivuView.h"

#include "gps/GpsMessageLog.h"

namespace kivu {

CKivuView::CKivuView(ViewWindow& window, AppSettings settings, const Clock& clock)
    : window_(window),
      settings_(std::move(settings)),
      clock_(&clock),
      headUp_(settings_.headUpDisplay != 0) {}

CKivuView::~CKivuView() {
  // The reader thread hands fixes to this view: it ends before anything it reaches goes.
  DestroyReceiver();
}

void CKivuView::OnGpsFix(const GpsFix& fix) {
  // Durations and ages on the steady clock; the track line dated by the wall clock.
  const int64_t steady = clock_->Steady();
  const Palette palette = ThePalette();
  daylight_.FollowFix(fix, SunClock());
  if (trip_.TakeFix(fix)) {
    const bool restartRates = gpsStatus_.FixWouldReturn(steady);
    gpsStatus_.FixArrived(fix, steady);
    trip_.UpdateTripStats(steady, Choices(), restartRates);
    InvalidateFigures();
    trip_.WriteTrackLine(clock_->Now());
  } else {
    gpsStatus_.FixArrived(fix, steady);
    if (ThePalette() != palette) window_.Invalidate(true);
  }
  UpdateGpsState();
}

void CKivuView::InvalidateFigures() {
  std::array<Rect, kMaxFigureRects> rects;
  const size_t count = renderer_.RepaintRects(window_.ClientSize(), Picture(), rects);
  if (count == 0) {
    window_.Invalidate(true);
  } else {
    window_.InvalidateRects(std::span<const Rect>(rects.data(), count));
  }
}

std::optional<int64_t> CKivuView::SunClock() const {
  if (!sunFollowsClock_) return std::nullopt;
  return clock_->Now();
}

TripChoices CKivuView::Choices() const {
  return TripChoices{settings_.unitSelection, settings_.pitchSource, settings_.rollSource};
}

void CKivuView::UpdateGpsState() {
  bool changed;
  if (receiver_) {
    const GpsStatusMonitor::Receiver facts{receiver_->PortPath(), receiver_->SourceOpen(),
                                           receiver_->SentenceCount(), receiver_->SourceSilent()};
    changed = gpsStatus_.Update(&facts, clock_->Steady());
  } else {
    changed = gpsStatus_.Update(nullptr, clock_->Steady());
  }
  if (changed) window_.Invalidate(true);
}

void CKivuView::SetRecordTrack(bool record) {
  if (!record) {
    trip_.CloseTrackFile();
    return;
  }
  if (!trip_.OpenDailyTrackFile(settings_.recordFolder, clock_->Now()))
    window_.ShowMessageBox(kOpenFileFailed, "");
}

bool CKivuView::SetRecordTrackFile(const std::string& path) {
  if (trip_.OpenTrackFile(path)) return true;
  window_.ShowMessageBox(kOpenFileFailed, "");
  return false;
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
