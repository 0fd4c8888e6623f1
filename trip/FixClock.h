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

// The longest step forward between two fixes that counts as time that passed: a day.
inline constexpr int64_t kMaxFixStepSeconds = 86400;
// Whether the receiver's time goes backwards or leaps on by more than kMaxFixStepSeconds from one fix
// to the next: no drive does that, a receiver that lost its date or captures joined together do. The
// trip takes no duration, speed or rate across such a step.
bool FixTimeJumps(const GpsFix& previous, const GpsFix& current) noexcept;

class FixClock final : public Clock {
 public:
  // The wall clock is the fix's time. The steady clock runs with it, except where the fix's time
  // jumps from the last fix's (FixTimeJumps): there it stays at the last fix's time.
  int64_t Now() const override { return now_; }
  int64_t Steady() const override { return now_ + jumped_; }
  void Set(int64_t now) {
    now_ = lastFix_ = now;
    jumped_ = 0;
    set_ = true;
  }
  void SetFromFix(const GpsFix& fix);
  // Moves on to a later UTC time of day (milliseconds), across midnight too: how a replay follows
  // the receiver's cycles between fixes. A time more than half a day on counts as one in the past
  // and leaves the clock where it is.
  void AdvanceToTimeOfDay(int milliseconds);

 private:
  int64_t now_ = 0;
  int64_t lastFix_ = 0;  // the time of the last fix
  int64_t jumped_ = 0;   // the steady clock less the wall clock: what the jumps took out
  bool set_ = false;
};

}  // namespace kivu
