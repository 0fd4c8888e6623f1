// The dashboard view: owns the settings, the GPS receiver, the trip figures and the track file, and
// talks to its window only through ViewWindow. Everything here runs on the user-interface thread;
// the reader thread reaches the view only through the fix hand-off, which calls OnGpsFix.
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
#include "trip/TrackFile.h"
#include "trip/TripStats.h"
#include "view/DashboardLayout.h"
#include "view/GpsState.h"
#include "view/ViewWindow.h"

namespace kivu {

// The view's commands and timers.
constexpr int kCommandExit = 1;
constexpr int kCommandSettings = 2;
constexpr int kCommandNavigator = 3;
constexpr int kCommandMinimize = 4;
constexpr uint32_t kClockTimer = 1;
constexpr uint32_t kAdTimer = 3;
// The record that WM_AUX_RECORD carries.
constexpr size_t kAuxRecordSize = 216;

struct DashboardBuffers;

class CKivuView {
 public:
  // settings are the loaded ones (LoadAppSettings); clock gives "now" for the trip and the files.
  CKivuView(ViewWindow& window, AppSettings settings, const Clock& clock = TheSystemClock());
  // Destroys the receiver (ending its reader thread) before it closes the track file.
  ~CKivuView();
  CKivuView(const CKivuView&) = delete;
  CKivuView& operator=(const CKivuView&) = delete;

  // A new fix from the receiver. The first one is only stored; from the second on the trip figures
  // are updated, a track line is written and the window is invalidated. Returns -1.
  int OnGpsFix(const GpsFix& fix);
  // Folds currentFix into the trip figures with the time taken by OnGpsFix, then invalidates the
  // whole client area. A fix that comes back after the GPS was lost adds its straight line to the
  // distance but restarts the rates and the altitude filter rather than take the gap as one step.
  void UpdateTripStats();
  // The haversine step from previousFix to currentFix (unit of radius), and the seconds between them.
  float GreatCircleDistance(float radius) const;
  float FixInterval() const;

  // The track file: on, opens the file of the local day in the record folder ("trackYYYYMMDD.txt",
  // appending) unless one is open already; "Open file failed!" goes to the message box when it cannot.
  // Off, closes it.
  void SetRecordTrack(int32_t record);
  // Records into the file at path instead (kivu-replay --track), in batches written at least when the
  // file is closed; any open track file is closed first.
  // "Open file failed!" and false when it cannot be opened.
  bool SetRecordTrackFile(const std::string& path);
  bool IsRecordingTrack() const { return trackFile_.IsOpen(); }
  // Appends the line of currentFix and the trip figures, dated by now in local time, when the track
  // file is open.
  void WriteTrackLine(int64_t now);

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

  // The GPS state: looks at the receiver (its source, its sentences) and the age of the last fix by
  // the view's clock. A change repaints at once and is told once on standard error with the port's
  // name (unless SetReportGpsState(false): kivu-replay); so does a new age of a lost fix. The clock
  // timer calls it every second.
  void UpdateGpsState();
  GpsState TheGpsState() const { return gpsState_; }
  void SetReportGpsState(bool report) { reportGpsState_ = report; }

  // The trip starts now (at window creation), or at a given time (replays).
  void StartTrip() { tripStartTime_ = clock_->Now(); }
  void SetTripStartTime(int64_t seconds) { tripStartTime_ = seconds; }
  int64_t TripStartTime() const { return tripStartTime_; }

  // What the dashboard draws.
  const TripStats& Stats() const { return stats_; }
  const GpsFix& CurrentFix() const { return currentFix_; }
  const GpsFix& PreviousFix() const { return previousFix_; }
  bool StatsStarted() const { return statsStarted_ != 0; }
  const AppSettings& Settings() const { return settings_; }
  // The settings command changes them and then switches the record files.
  AppSettings& Settings() { return settings_; }

  // The window's life: creation at the window's client size (layout, buttons, receiver, message log,
  // trip start, timers, track file; 0), the timers, the paint of the whole client area, the commands,
  // focus, and the shutdown (timers, receiver, track file) that every way out runs once.
  int OnCreate();
  void OnTimer(uint32_t id);
  void OnDraw(Surface& paint);
  // The paint as the window shows it: the whole client area painted into the view's own window
  // image, which is made with the layout (or at a paint of another client size); null when it cannot
  // be made. A paint at the size of the layout allocates nothing.
  const Bitmap* PaintWindowImage();
  void OnSettings();
  void OnNavigator();
  void OnMinimize();
  void OnSetFocus();
  void OnClose();
  // The client area has a new size (a resize, maximise, full screen, a rotated screen): the layout is
  // computed again and the buttons move to their new places.
  void OnSize(int width, int height);
  // Copies the 216 bytes at record into the auxiliary record; -1.
  int OnAuxRecord(const void* record);

  // The geometry, computed from the client size at creation and again at every change of that size;
  // the window image and the bitmaps the paint draws in are made for that size with it.
  void ComputeLayout(int width, int height);
  const ViewLayout& Layout() const { return layout_; }
  int AdIndex() const { return adIndex_; }
  const uint8_t* AuxRecord() const { return auxRecord_; }

  ViewWindow& Window() const { return window_; }

 private:
  // The window image at the client's size, made unless it has it; false when there is no memory.
  bool PrepareWindowImage(Size client);

  ViewWindow& window_;
  AppSettings settings_;
  const Clock* clock_;
  std::unique_ptr<CGpsParser> receiver_;
  GpsSourcePolicy sourcePolicy_;

  GpsFix currentFix_{};
  GpsFix previousFix_{};
  int32_t statsStarted_ = 0;
  int32_t fixMessageCount_ = 0;
  int64_t tripStartTime_ = 0;
  int64_t fixTime_ = 0;        // "now" of the fix being handled
  bool restartRates_ = false;  // the fix being handled comes back after the GPS was lost
  TripStats stats_;

  GpsStateTracker gpsTracker_;
  GpsState gpsState_ = GpsState::NoReceiver;
  int64_t lostSeconds_ = 0;
  std::string gpsPortName_;  // the last port the receiver had open, for the state's messages
  bool reportGpsState_ = true;

  TrackFile trackFile_;
  bool reportedLongLine_ = false;

  ViewLayout layout_;
  std::unique_ptr<DashboardBuffers> paintBuffers_;
  std::optional<Bitmap> windowImage_;
  int64_t minuteTickTime_ = 0;
  uint32_t clockTimerId_ = 0;
  uint32_t adTimerId_ = 0;
  int adIndex_ = 0;
  int lightPhase_ = 0;
  uint8_t auxRecord_[kAuxRecordSize] = {};
};

}  // namespace kivu
