// The GPS state as the dashboard shows it, kept up to date from what the receiver says and from the
// fixes it hands over, and told on standard error as it changes. Runs on the user-interface thread with
// the view's clock; knows nothing of the receiver itself, only the facts the view passes on.
#pragma once

#include <cstdint>
#include <string>

#include "gps/GpsFix.h"
#include "view/GpsState.h"

namespace kivu {

class GpsStatusMonitor {
 public:
  // What the receiver says now: the port it has open ("" for none), whether it has a source to read,
  // the good sentences it has had so far, and whether its source is connected but has not answered in
  // its time (a gpsd).
  struct Receiver {
    std::string portPath;
    bool sourceOpen = false;
    uint64_t sentences = 0;
    bool silent = false;
  };

  // Looks at the receiver (null when there is none) and the age of the last fix at now. A change of
  // state is told once on standard error with the last port's name, unless reporting is off (replays).
  // True when what the dashboard shows has changed: the state, or the age of a lost fix.
  bool Update(const Receiver* receiver, int64_t now);
  // The receiver went away (another source was chosen), whatever comes next.
  void SourceGone(int64_t now) { tracker_.Observe(false, 0, now); }
  // A fix handed to the dashboard at now; and whether one at now comes back after the GPS was lost.
  void FixArrived(const GpsFix& fix, int64_t now) { tracker_.FixArrived(fix, now); }
  bool FixWouldReturn(int64_t now) const { return tracker_.FixWouldReturn(now); }

  GpsState State() const { return state_; }
  int64_t LostSeconds() const { return lostSeconds_; }
  void SetReport(bool report) { report_ = report; }

 private:
  GpsStateTracker tracker_;
  GpsState state_ = GpsState::NoReceiver;
  int64_t lostSeconds_ = 0;
  std::string portName_;  // the last port the receiver had open, for the state's messages
  bool report_ = true;
};

}  // namespace kivu
