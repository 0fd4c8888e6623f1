// What the dashboard knows of its receiver: whether it has one, whether it speaks, and how old its
// last fix is. The view feeds the tracker from its timer and its fixes, all on the user-interface
// thread, with the view's clock; the paint reads the state so that old figures never pass as live.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "gps/GpsFix.h"

namespace kivu {

enum class GpsState {
  NoReceiver,  // no port or source open, or the port is gone
  NoData,      // a port is open but no whole sentence came for kSilentSeconds, or a gpsd does not answer
  NoFix,       // sentences arrive, but no usable fix has come from them
  Fix,         // fixes arrive
  Lost,        // the last fix is older than max(kLostSeconds, three receiver cycles)
};

// "no receiver", "no data", "no fix", "fix", "lost": for standard error and kivu-replay.
const char* GpsStateName(GpsState state) noexcept;

// The flag the dashboard shows in a state other than Fix: "NO GPS", "NO DATA", "NO FIX", or
// "GPS LOST 12 s" with the age of the last fix.
std::string GpsStateFlag(GpsState state, int64_t lostSeconds);
// The same without allocating: the flag, in text where it has to be formatted.
using GpsFlagText = std::array<char, 48>;
const char* GpsStateFlag(GpsState state, int64_t lostSeconds, GpsFlagText& text) noexcept;

class GpsStateTracker {
 public:
  static constexpr int64_t kSilentSeconds = 3;
  static constexpr int64_t kLostSeconds = 3;

  // What the receiver says now: whether its source is open, and how many good sentences it has had.
  // The first call with an open source, and every call whose count has grown, count as hearing it.
  void Observe(bool sourceOpen, uint64_t sentences, int64_t now) noexcept;
  // A fix handed to the dashboard at now.
  void FixArrived(const GpsFix& fix, int64_t now) noexcept;
  // The state at now.
  GpsState StateAt(int64_t now) const noexcept;
  // Seconds since the last fix (0 before the first).
  int64_t FixAge(int64_t now) const noexcept;
  // Whether a fix arriving at now comes back after the receiver was lost (or silent or gone) with a
  // fix before: the trip then restarts its rates rather than take the gap as one step.
  bool FixWouldReturn(int64_t now) const noexcept;

 private:
  // Seconds after the last fix at which it counts as lost.
  int64_t LostAfter() const noexcept;

  bool sourceOpen_ = false;
  uint64_t sentences_ = 0;
  int64_t heardAt_ = 0;  // when the source opened or last spoke
  bool hadFix_ = false;  // a fix so far (a receiver plugged in again is "lost" until its next fix)
  int64_t fixAt_ = 0;
  int cycleMs_ = 1000;  // the receiver's rate, from the last two fixes' UTC times
  GpsFix lastFix_{};
  bool interrupted_ = false;  // silent or gone since the last fix
};

}  // namespace kivu
