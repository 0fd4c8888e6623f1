#include "platform/Clock.h"

#include <cstdlib>
#include <ctime>
#include <limits>
#include <mutex>
#include <string>

namespace kivu {

int64_t SystemClock::Now() const {
  return static_cast<int64_t>(std::time(nullptr));
}

int64_t SystemClock::Steady() const {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<int64_t>(now.tv_sec);
}

const Clock& TheSystemClock() {
  static const SystemClock clock;
  return clock;
}

namespace {

// localtime_r need not look at TZ again once it has read it; tzset does, but it also looks at the
// zone file each time (a stat of /etc/localtime for every track line). So it runs at the first
// conversion and again only when TZ has changed.
void FollowTimeZone() noexcept {
  static std::mutex mutex;
  static bool known = false, set = false;
  static std::string last;
  std::lock_guard lock(mutex);
  const char* tz = std::getenv("TZ");
  if (known && set == (tz != nullptr) && (!tz || last == tz)) return;
  tzset();
  known = true;
  set = tz != nullptr;
  try {
    last = tz ? tz : "";
  } catch (...) {
    known = false;  // no memory to remember it: look again next time
  }
}

}  // namespace

bool ToLocalTime(int64_t seconds, LocalTime& local) noexcept {
  local = kNoLocalTime;
  if (seconds < std::numeric_limits<time_t>::min() || seconds > std::numeric_limits<time_t>::max())
    return false;
  FollowTimeZone();
  time_t t = static_cast<time_t>(seconds);
  struct tm tm {};
  if (!localtime_r(&t, &tm)) return false;
  if (tm.tm_year > std::numeric_limits<int>::max() - 1900) return false;
  local = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  return true;
}

namespace {

// Days from 1970-01-01 to a civil date, month 1..12 (the well-known era-based count).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) noexcept {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Keeps a field in a range where the arithmetic below cannot overflow; no calendar needs more.
int64_t Bounded(int64_t v, int64_t limit) noexcept {
  return v < -limit ? -limit : (v > limit ? limit : v);
}

}  // namespace

int64_t UtcSeconds(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
                   int64_t second) noexcept {
  constexpr int64_t kLimit = int64_t{1} << 31;
  year = Bounded(year, kLimit);
  month = Bounded(month, kLimit) - 1;
  // Months outside 1..12 carry into the year.
  year += month >= 0 ? month / 12 : (month - 11) / 12;
  month = ((month % 12) + 12) % 12 + 1;
  int64_t days = DaysFromCivil(year, month, 1) + Bounded(day, kLimit) - 1;
  return days * 86400 + Bounded(hour, kLimit) * 3600 + Bounded(minute, kLimit) * 60 + Bounded(second, kLimit);
}

}  // namespace kivu
