// A clock that tells the time of the fix being handled: how replays and benchmarks run the trip
// computer at the pace of a recorded drive rather than of the machine.
#pragma once

#include <cstdint>

#include "gps/GpsFix.h"
#include "platform/Clock.h"

namespace kivu {

// The UTC time of a fix as seconds since 1970: the year is 2000 + its two digits, and the
// milliseconds are dropped.
int64_t FixUtcSeconds(const GpsFix& fix) noexcept;

class FixClock final : public Clock {
 public:
  int64_t Now() const override { return now_; }
  void Set(int64_t now) { now_ = now; }
  void SetFromFix(const GpsFix& fix) { now_ = FixUtcSeconds(fix); }
  // Moves on to a later UTC time of day (milliseconds), across midnight too: how a replay follows
  // the receiver's cycles between fixes. A time more than half a day on counts as one in the past
  // and leaves the clock where it is.
  void AdvanceToTimeOfDay(int milliseconds);

 private:
  int64_t now_ = 0;
};

}  // namespace kivu
