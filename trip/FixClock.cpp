#include "trip/FixClock.h"

namespace kivu {

int64_t FixUtcSeconds(const GpsFix& fix) noexcept {
  const SystemTime& t = fix.utcTime;
  return UtcSeconds(2000 + int64_t{t.year}, t.month, t.day, t.hour, t.minute, t.second);
}

bool FixTimeJumps(const GpsFix& previous, const GpsFix& current) noexcept {
  const int64_t from = FixUtcSeconds(previous), to = FixUtcSeconds(current);
  return to < from || to - from > kMaxFixStepSeconds;
}

void FixClock::SetFromFix(const GpsFix& fix) {
  const int64_t now = FixUtcSeconds(fix);
  if (set_ && (now < lastFix_ || now - lastFix_ > kMaxFixStepSeconds)) jumped_ += lastFix_ - now;
  set_ = true;
  now_ = lastFix_ = now;
}

void FixClock::AdvanceToTimeOfDay(int milliseconds) {
  constexpr int64_t kDay = 86400;
  const int64_t secondOfDay = ((now_ % kDay) + kDay) % kDay;
  const int64_t step = ((milliseconds / 1000 - secondOfDay) % kDay + kDay) % kDay;
  if (step <= kDay / 2) now_ += step;
}

}  // namespace kivu
