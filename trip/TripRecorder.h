// The trip as the dashboard keeps it: the last two fixes, the trip figures they make, and the track
// file that records them. No window and no clock of its own: the caller says what time it is, so the
// same recorder serves the dashboard (the system clock) and replays (the fixes' own clock).
#pragma once

#include <cstdint>
#include <string>

#include "gps/GpsFix.h"
#include "platform/Diagnostics.h"
#include "trip/LiveGpxFile.h"
#include "trip/TrackFile.h"
#include "trip/TripStats.h"

namespace kivu {

class TripRecorder {
 public:
  TripRecorder() = default;
  // Writes what the track file holds back.
  ~TripRecorder() { trackFile_.Close(); }
  TripRecorder(const TripRecorder&) = delete;
  TripRecorder& operator=(const TripRecorder&) = delete;

  // The trip starts at seconds on a steady clock (the window's creation, or a replay's first fix).
  void StartTrip(int64_t seconds) { tripStartTime_ = seconds; }
  int64_t TripStartTime() const { return tripStartTime_; }

  // A new fix becomes the current one. The first is only stored; the second seeds the altitude
  // filter with the mean of the two. True from the second fix on: the figures are then to be updated.
  bool TakeFix(const GpsFix& fix);
  // Folds the current fix into the trip figures at now (a steady clock's seconds), the duration counted
  // from the trip start. restartRates: the fix comes back after the GPS was lost, so its straight line
  // adds to the distance but the rates and the altitude filter start again rather than take the gap as
  // one step. A fix whose time jumps from the previous one's (FixTimeJumps) adds nothing across the
  // step and restarts the rates too; standard error hears of the first such jump.
  void UpdateTripStats(int64_t now, const TripChoices& choices, bool restartRates);

  // The haversine step from the previous fix to the current one (unit of radius), and the seconds
  // between them.
  float GreatCircleDistance(float radius) const;
  float FixInterval() const;

  // The track file of the local day of now in folder ("trackYYYYMMDD.txt", appending), unless one is
  // open already: that one stays in use, even when the local date has changed since. Beside it the
  // day's GPX ("trackYYYYMMDD.gpx") gets a new segment; the track file goes on without it when the GPX
  // cannot be written. False when the track file cannot be opened.
  bool OpenDailyTrackFile(const std::string& folder, int64_t now);
  // Records into path instead (replays), in batches written at least when the file is closed; any open
  // track file is closed first. False when it cannot be opened.
  bool OpenTrackFile(const std::string& path);
  void CloseTrackFile() {
    trackFile_.Close();
    gpx_.Close();
  }
  bool IsRecordingTrack() const { return trackFile_.IsOpen(); }
  // Appends the line of the current fix and the trip figures, dated by now in local time, when the
  // track file is open. A fix whose values lie far outside their ranges is left out, and standard error
  // hears of it once. The day's GPX gets the fix as a point.
  void WriteTrackLine(int64_t now);
  // The fix was lost: the GPX's next point starts a new segment.
  void EndGpxSegment() noexcept { gpx_.EndSegment(); }

  const TripStats& Stats() const { return stats_; }
  const GpsFix& CurrentFix() const { return currentFix_; }
  const GpsFix& PreviousFix() const { return previousFix_; }
  bool StatsStarted() const { return statsStarted_; }

 private:
  GpsFix currentFix_{};
  GpsFix previousFix_{};
  bool statsStarted_ = false;
  bool firstFixTaken_ = false;
  int64_t tripStartTime_ = 0;
  TripStats stats_;
  TrackFile trackFile_;
  LiveGpxFile gpx_;
  std::string reportScope_ = NewReportScope();  // each cause is told once per trip
};

}  // namespace kivu
