// The dashboard view's life in its window: creation, timers, paint, commands and shutdown.
#include "config/AppSettings.h"
#include "config/SettingsCommand.h"
#include "view/DashboardPaint.h"
#include "view/KivuView.h"

namespace kivu {

namespace {

constexpr uint32_t kClockPeriodMs = 1000;
constexpr uint32_t kAdPeriodMs = 20000;
constexpr const char* kFailedToCreateGpsParser = "Failed to create GPS Parser!";

// The buttons in the order they are made, with their captions and their normal and pressed pictures.
struct ButtonSpec {
  int id;
  const char* caption;
  int normal;
  int pressed;
};
constexpr ButtonSpec kButtons[] = {{kCommandExit, "Exit", 147, 148},
                                   {kCommandSettings, "Settings", 149, 150},
                                   {kCommandNavigator, "Navigator", 155, 156},
                                   {kCommandMinimize, "Minimize", 157, 158}};

// The minute of a time in local time, or -1 when it cannot be converted.
int LocalMinute(int64_t seconds) {
  LocalTime local;
  return ToLocalTime(seconds, local) ? local.minute : -1;
}

}  // namespace

void CKivuView::OnCreate() {
  renderer_.ComputeLayout(window_.ClientSize(), window_.PixelsPerMillimetre());
  for (size_t i = 0; i < std::size(kButtons); ++i) {
    const ButtonSpec& b = kButtons[i];
    window_.CreateButton(b.id, b.caption, Layout().buttonRects[i], b.normal, b.pressed);
  }

  StartReceiver();
  UpdateGpsState();
  StartTrip();
  minuteTickTime_ = clock_->Now();
  clockTimerId_ = window_.SetTimer(kClockTimer, kClockPeriodMs);
  adTimerId_ = window_.SetTimer(kAdTimer, kAdPeriodMs);
  SetRecordTrack(settings_.recordTrack != 0);
}

void CKivuView::StartReceiver() {
  auto receiver = std::make_unique<CGpsParser>();
  receiver->SetSource(sourcePolicy_.For(settings_.gpsSource));
  SetReceiver(std::move(receiver));
  if (!receiver_->Start(&window_.FixOwner())) {
    window_.ShowMessageBox(kFailedToCreateGpsParser, "");
    DestroyReceiver();
  } else {
    receiver_->SetRecordMessages(settings_.recordFolder, settings_.recordGpsMessages != 0);
  }
}

void CKivuView::OnSize(int width, int height) {
  renderer_.ComputeLayout(Size{width, height}, window_.PixelsPerMillimetre());
  for (size_t i = 0; i < std::size(kButtons); ++i)
    window_.MoveButton(kButtons[i].id, Layout().buttonRects[i]);
  window_.Invalidate(true);
}

void CKivuView::OnTimer(uint32_t id) {
  if (id == kClockTimer) {
    UpdateGpsState();
    // The clock on the dashboard shows minutes: repaint when the minute changes.
    int64_t now = clock_->Now();
    if (LocalMinute(now) != LocalMinute(minuteTickTime_)) {
      minuteTickTime_ = now;
      // Without fixes the sun moves on by the clock, at the last place known; the repaint shows it.
      if (gpsStatus_.State() != GpsState::Fix) daylight_.FollowClock(SunClock());
      window_.Invalidate(true);
    }
  } else if (id == kWarningTimer) {
    warningLit_ = !warningLit_;
    InvalidateFigures();
  } else if (id == kAdTimer) {
    ++adIndex_;
    if (adIndex_ >= static_cast<int>(settings_.adTexts.size())) adIndex_ = 0;
    window_.Invalidate(true);
  }
}

DashboardPicture CKivuView::Picture() const {
  LocalTime local;
  ToLocalTime(clock_->Now(), local);  // a failed conversion shows -1 in each field
  DashboardPicture picture;
  picture.stats = &trip_.Stats();
  picture.currentFix = &trip_.CurrentFix();
  picture.digitalReadout = settings_.digitalReadout != 0;
  picture.displayAd = settings_.displayAd != 0;
  picture.blinkingLight = settings_.blinkingLight != 0;
  picture.adTexts = &settings_.adTexts;
  picture.adIndex = adIndex_;
  picture.hour = local.hour;
  picture.minute = local.minute;
  picture.gpsState = gpsStatus_.State();
  picture.lostSeconds = gpsStatus_.LostSeconds();
  picture.palette = ThePalette();
  picture.headUp = headUp_;
  picture.speedWarning = speedWarning_.Warning() && warningLit_;
  return picture;
}

void CKivuView::OnDraw(Surface& paint) {
  renderer_.Paint(paint, window_.ClientSize(), Picture());
}

const Bitmap* CKivuView::PaintWindowImage() {
  return renderer_.PaintWindowImage(window_.ClientSize(), Picture());
}

void CKivuView::OnSettings() {
  SettingsValues values = SettingsValuesOf(settings_);
  if (!window_.RunSettingsDialog(values)) return;
  RecordingSwitches switches;
  // Without a receiver there is no message log to switch.
  if (receiver_) {
    switches.setRecordMessages = [this](const std::string& folder, bool record) {
      receiver_->SetRecordMessages(folder, record);
    };
  }
  switches.setRecordTrack = [this](bool record) { SetRecordTrack(record); };
  switches.setGpsSource = [this](const std::string&) {
    // A new source is a new receiver: the old one stops, its fixes are no longer taken, and the next
    // one starts with the message log as the settings have it.
    DestroyReceiver();
    gpsStatus_.SourceGone(clock_->Steady());
    window_.FixOwner().AcceptGpsFixes();
    StartReceiver();
    UpdateGpsState();
  };
  // The head-up display follows the dialog where the user changed it there; otherwise it stays as the
  // run has it (kivu --hud).
  const int headUpBefore = settings_.headUpDisplay;
  // No repaint of its own: the window repaints when the dialog over it goes, and shows the new choices.
  ApplySettingsValues(settings_, values, GetIniFilePath(), switches);
  if (settings_.headUpDisplay != headUpBefore) headUp_ = settings_.headUpDisplay != 0;
}

void CKivuView::OnStepDisplay() {
  const int mode = settings_.displayMode;
  const int from = mode >= 0 && mode < kDisplayModeCount ? mode : kDisplayAutomatic;
  settings_.displayMode = (from + 1) % kDisplayModeCount;
  SaveDisplaySettings(settings_, GetIniFilePath());
  window_.Invalidate(true);
}

void CKivuView::OnToggleHeadUp() {
  headUp_ = !headUp_;
  settings_.headUpDisplay = headUp_ ? 1 : 0;
  SaveDisplaySettings(settings_, GetIniFilePath());
  window_.Invalidate(true);
}

void CKivuView::OnNavigator() {
  RunNavigator(settings_.navigationPath,
               [this](const std::string& text) { window_.ShowMessageBox(text, "Kivu"); });
}

void CKivuView::OnMinimize() {
  window_.ShowMainFrame(false);
}

void CKivuView::OnSetFocus() {
  window_.BringMainFrameToForeground();
}

void CKivuView::OnClose() {
  if (clockTimerId_) window_.KillTimer(clockTimerId_);
  if (adTimerId_) window_.KillTimer(adTimerId_);
  if (warningTimerId_) window_.KillTimer(warningTimerId_);
  clockTimerId_ = adTimerId_ = warningTimerId_ = 0;
  DestroyReceiver();
  trip_.CloseTrackFile();
}

}  // namespace kivu
