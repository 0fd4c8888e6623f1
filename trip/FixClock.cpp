#include "trip/FixClock.h"

namespace kivu {

int64_t FixUtcSeconds(const GpsFix& fix) noexcept {
  const SystemTime& t = fix.utcTime;
  return UtcSeconds(2000 + int64_t{t.year}, t.month, t.day, t.hour, t.minute, t.second);
}

}  // namespace kivu
