// Wall-clock time, a steady clock for durations, and the device's local calendar time. Kivu takes "now"
// through a Clock so that tests and replays can give it a time of their own.
#pragma once

#include <cstdint>

namespace kivu {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since 1970-01-01 00:00 UTC: what the clock panel shows and the record files are dated by.
  virtual int64_t Now() const = 0;
  // Seconds on a clock that runs at the pace of time whatever is done to the wall clock (a car PC's
  // clock is often stepped by hours or days when the network first sets it, mid-drive), and on through
  // a suspend: what durations are measured with. Only differences mean anything. A clock that is given
  // its time (tests) runs both as one.
  virtual int64_t Steady() const { return Now(); }
};

// The system's real-time clock.
class SystemClock final : public Clock {
 public:
  int64_t Now() const override;
  // The boot-time clock, which counts a suspend as time that passed.
  int64_t Steady() const override;
};

// A process-wide SystemClock, for owners that were given no clock of their own.
const Clock& TheSystemClock();

// A calendar time as the record files print it: the four-digit year, month 1..12, day 1..31.
struct LocalTime {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
};

// What a failed conversion yields: the date fields 0 and the time fields -1.
inline constexpr LocalTime kNoLocalTime = {0, 0, 0, -1, -1, -1};

// Converts seconds since 1970 UTC to the local calendar time of the time zone in TZ (looked at in each
// call, so a changed TZ takes effect at once; without TZ, the system's zone as it was at the first
// call). False, with local set to kNoLocalTime, when the time
// cannot be represented.
bool ToLocalTime(int64_t seconds, LocalTime& local) noexcept;

// Seconds since 1970 UTC of a proleptic Gregorian calendar time read as UTC. Any field values are
// accepted (months and days outside their ranges count on from the year or month), so the result is
// always defined.
int64_t UtcSeconds(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
                   int64_t second) noexcept;

}  // namespace kivu
