// The dashboard view: a thin controller that owns the settings and the GPS receiver, hands the fixes to
// the trip recorder and the GPS status monitor, has the renderer paint what they hold, and talks to its
// window only through ViewWindow. Everything here runs on the user-interface thread; the reader thread
// reaches the view only through the fix hand-off, which calls OnGpsFix.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "config/AppSettings.h"
#include "gps/GpsFix.h"
#include "gps/GpsParser.h"
#include "platform/Clock.h"
#include "platform/raster/Surface.h"
#include "trip/SpeedWarning.h"
#include "trip/TripRecorder.h"
#include "view/DashboardRenderer.h"
#include "view/GpsStatusMonitor.h"
#include "view/PaletteChoice.h"
#include "view/ViewWindow.h"

namespace kivu {

// The view's commands and timers.
constexpr int kCommandExit = 1;
constexpr int kCommandSettings = 2;
constexpr int kCommandNavigator = 3;
constexpr int kCommandMinimize = 4;
constexpr uint32_t kClockTimer = 1;
constexpr uint32_t kAdTimer = 3;
constexpr uint32_t kWarningTimer = 4;  // the speed warning's blink, while it warns

class CKivuView {
 public:
  // settings are the loaded ones (LoadAppSettings); clock gives "now": its steady time for the trip's
  // duration and the GPS state's ages, its wall time for the clock panel and the record files.
  CKivuView(ViewWindow& window, AppSettings settings, const Clock& clock = TheSystemClock());
  // Destroys the receiver (ending its reader thread) before the trip recorder closes the track file.
  ~CKivuView();
  CKivuView(const CKivuView&) = delete;
  CKivuView& operator=(const CKivuView&) = delete;

  // A new fix from the receiver. The first one is only stored; from the second on the trip figures
  // are updated (UpdateTripStats), a track line is written and the window is invalidated.
  void OnGpsFix(const GpsFix& fix);

  // The track file: on, opens the file of the local day in the record folder ("trackYYYYMMDD.txt",
  // appending) unless one is open already; "Open file failed!" goes to the message box when it cannot.
  // Off, closes it.
  void SetRecordTrack(bool record);
  // Records into the file at path instead (kivu-replay --track), in batches written at least when the
  // file is closed; any open track file is closed first.
  // "Open file failed!" and false when it cannot be opened.
  bool SetRecordTrackFile(const std::string& path);

  // The GPS receiver, owned; null when it failed to start. The view shows the receiver's message
  // boxes and lends it its clock.
  void SetReceiver(std::unique_ptr<CGpsParser> receiver);
  // How the receiver's source is picked (before the window is created): the run's command line, else
  // the environment, else the setting.
  void SetSourcePolicy(GpsSourcePolicy policy) { sourcePolicy_ = std::move(policy); }
  // Makes the receiver for the GPS source in force (the command line's, else the setting's) and
  // starts it; the message box says so where it cannot start.
  void StartReceiver();
  CGpsParser* Receiver() const { return receiver_.get(); }
  // Stops and destroys the receiver (also done by the destructor).
  void DestroyReceiver();

  // The GPS state from the receiver and the age of the last fix by the view's clock (see
  // GpsStatusMonitor); a change repaints at once. The clock timer calls it every second.
  void UpdateGpsState();
  GpsState TheGpsState() const { return gpsStatus_.State(); }
  // Whether a fix handed over now comes back after the GPS was lost: the trip then restarts its rates.
  bool FixWouldReturnNow() const { return gpsStatus_.FixWouldReturn(clock_->Steady()); }
  void SetReportGpsState(bool report) { gpsStatus_.SetReport(report); }

  // The trip starts now (at window creation), or at a given time of the steady clock (replays).
  void StartTrip() { trip_.StartTrip(clock_->Steady()); }
  void SetTripStartTime(int64_t seconds) { trip_.StartTrip(seconds); }

  // The trip: its figures, its fixes and its track file.
  const TripRecorder& Trip() const { return trip_; }
  const TripStats& Stats() const { return trip_.Stats(); }
  const GpsFix& CurrentFix() const { return trip_.CurrentFix(); }
  const AppSettings& Settings() const { return settings_; }
  // The settings command changes them and then switches the record files.
  AppSettings& Settings() { return settings_; }

  // The window's life: creation at the window's client size (layout, buttons, receiver, message log,
  // trip start, timers, track file), the timers, the paint of the whole client area, the commands,
  // focus, and the shutdown (timers, receiver, track file) that every way out runs once.
  void OnCreate();
  void OnTimer(uint32_t id);
  void OnDraw(Surface& paint);
  // The paint as the window shows it, into the renderer's window image; null when it cannot be made.
  // A paint at the size of the layout allocates nothing.
  const Bitmap* PaintWindowImage();
  void OnSettings();
  void OnNavigator();
  void OnMinimize();
  void OnSetFocus();
  void OnClose();
  // The dashboard's keys: d steps the Display setting (Automatic, Day, Dusk, Night, Red night, and
  // round again), h switches the head-up display on or off. Each repaints and saves its setting as the
  // settings dialog would (a settings file that never chose gets the key once the user did).
  void OnStepDisplay();
  void OnToggleHeadUp();
  // The client area has a new size (a resize, maximise, full screen, a rotated screen): the layout is
  // computed again and the buttons move to their new places.
  void OnSize(int width, int height);

  // The geometry, computed from the client size at creation and again at every change of that size.
  void ComputeLayout(int width, int height) {
    renderer_.ComputeLayout(Size{width, height}, window_.PixelsPerMillimetre());
  }
  const ViewLayout& Layout() const { return renderer_.Layout(); }
  int AdIndex() const { return adIndex_; }

  // The palette the dashboard is painted in: the Display setting's, or in Automatic the sun's at the
  // car, followed at each fix and, while there is none, once a minute by the view's clock.
  Palette ThePalette() const { return daylight_.PaletteFor(settings_.displayMode); }
  // The sun's elevation in degrees where it was last worked out; NaN before a place was known.
  double SunElevationDegrees() const { return daylight_.SunElevationDegrees(); }
  // The backlight for the palette in percent of the day's.
  int BacklightPercentNow() const {
    return BacklightPercent(ThePalette(), settings_.backlightDusk, settings_.backlightNight);
  }
  // A fix without a date, or none, leaves the sun to the view's clock; a replay's clock is the fixes'
  // own, so there the palette waits for the next dated fix instead.
  void SetSunFollowsClock(bool follows) { sunFollowsClock_ = follows; }
  // The head-up display: the dashboard mirrored left to right. Set from the settings at start; kivu
  // --hud sets it for the one run without storing it.
  bool HeadUp() const { return headUp_; }
  void SetHeadUp(bool on) { headUp_ = on; }

  // The speed warning (the SPEED_WARNING limit, in the unit system's speed): on once the car has been
  // above it for 2 s of the fixes' time, off once it is 3 km/h (2 mph) under it or the fix is lost.
  // While on, the speed readout and the speed tape's index marks blink red, twice a second.
  bool SpeedWarningOn() const { return speedWarning_.Warning(); }
  // The key w: no more chimes until this warning ends.
  void SilenceWarning() { speedWarning_.Silence(); }
  // Whether the warning wants to be heard now: on, not silenced, and the warning sound (WARNING_SOUND)
  // not switched off. A chime playing stops when this goes false.
  bool ChimeWanted() const {
    return speedWarning_.Warning() && !speedWarning_.Silenced() && settings_.warningSound != 0;
  }
  // The chimes due so far: one when a warning starts and one every 30 s of fix time while it lasts,
  // unless it was silenced or the sound is off. Whoever plays them plays one each time this goes up.
  uint64_t ChimesDue() const { return speedWarning_.ChimesDue(); }

  ViewWindow& Window() const { return window_; }

 private:
  // Starts or stops the blink after the warning came or went, and shows the change.
  void WarningChanged();
  // What a paint at the view's clock shows now.
  DashboardPicture Picture() const;
  TripChoices Choices() const;
  // Asks the window to show the new figures: only where they change the image shown, when the renderer
  // can tell.
  void InvalidateFigures();
  // The system's time for the sun, where the view's clock is the system's.
  std::optional<int64_t> SunClock() const;

  ViewWindow& window_;
  AppSettings settings_;
  const Clock* clock_;
  std::unique_ptr<CGpsParser> receiver_;
  GpsSourcePolicy sourcePolicy_;
  TripRecorder trip_;
  GpsStatusMonitor gpsStatus_;
  DashboardRenderer renderer_;

  PaletteFollower daylight_;
  bool sunFollowsClock_ = true;
  bool headUp_ = false;

  int64_t minuteTickTime_ = 0;
  uint32_t clockTimerId_ = 0;
  uint32_t adTimerId_ = 0;
  int adIndex_ = 0;

  SpeedWarning speedWarning_;
  bool warningLit_ = true;  // the blink's half: lit (red) or not (as ever)
  bool blinking_ = false;
  uint32_t warningTimerId_ = 0;
};

}  // namespace kivu
