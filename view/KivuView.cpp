#include "view/KivuView.h"

#include <algorithm>

#include "gps/GpsMessageLog.h"
#include "trip/FixClock.h"

namespace kivu {

namespace {

// The warning blinks twice a second: lit a quarter of a second, then not.
constexpr uint32_t kWarningBlinkMs = 250;

}  // namespace

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
    if (restartRates) trip_.EndGpxSegment();
    gpsStatus_.FixArrived(fix, steady);
    trip_.UpdateTripStats(steady, Choices(), restartRates);
    // The warning runs on the fixes' own time, whatever the rate the receiver sends them at.
    const int64_t fixMs = FixUtcSeconds(fix) * 1000 + std::min<int64_t>(fix.utcTime.milliseconds, 999);
    const SpeedWarningChoice choice{settings_.speedWarning, settings_.unitSelection,
                                    settings_.warningSound != 0};
    if (speedWarning_.Feed(fixMs, trip_.Stats().speedInt, choice)) WarningChanged();
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
  if (gpsStatus_.State() != GpsState::Fix)
    trip_.EndGpxSegment();  // the line to the next fix is no road driven
  if (gpsStatus_.State() != GpsState::Fix && speedWarning_.Lose()) {
    WarningChanged();
    window_.Invalidate(true);
  }
}

void CKivuView::WarningChanged() {
  const bool warning = speedWarning_.Warning();
  if (warning == blinking_) return;
  blinking_ = warning;
  warningLit_ = true;
  if (warning) {
    warningTimerId_ = window_.SetTimer(kWarningTimer, kWarningBlinkMs);
  } else if (warningTimerId_) {
    window_.KillTimer(warningTimerId_);
    warningTimerId_ = 0;
  }
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
