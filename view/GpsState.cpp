#include "view/GpsState.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "gps/NmeaParser.h"

namespace kivu {

namespace {

// A fix's UTC time of day in milliseconds.
int64_t TimeOfDay(const SystemTime& t) noexcept {
  return ((int64_t{t.hour} * 60 + t.minute) * 60 + t.second) * 1000 + t.milliseconds;
}

// Seconds from since to now, held inside the range whatever clock the view was given.
int64_t Elapsed(int64_t now, int64_t since) noexcept {
  int64_t elapsed;
  if (__builtin_sub_overflow(now, since, &elapsed))
    return now < since ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  return elapsed;
}

}  // namespace

const char* GpsStateName(GpsState state) noexcept {
  switch (state) {
    case GpsState::NoReceiver:
      return "no receiver";
    case GpsState::NoData:
      return "no data";
    case GpsState::NoFix:
      return "no fix";
    case GpsState::Fix:
      return "fix";
    case GpsState::Lost:
      return "lost";
  }
  return "?";
}

const char* GpsStateFlag(GpsState state, int64_t lostSeconds, GpsFlagText& text) noexcept {
  switch (state) {
    case GpsState::NoReceiver:
      return "NO GPS";
    case GpsState::NoData:
      return "NO DATA";
    case GpsState::NoFix:
      return "NO FIX";
    case GpsState::Fix:
      return "";
    case GpsState::Lost:
      std::snprintf(text.data(), text.size(), "GPS LOST %lld s",
                    static_cast<long long>(std::max<int64_t>(lostSeconds, 0)));
      return text.data();
  }
  return "";
}

std::string GpsStateFlag(GpsState state, int64_t lostSeconds) {
  GpsFlagText text;
  return GpsStateFlag(state, lostSeconds, text);
}

void GpsStateTracker::Observe(bool sourceOpen, uint64_t sentences, int64_t now) noexcept {
  if (!sourceOpen) {
    if (sourceOpen_ && hadFix_) interrupted_ = true;
    sourceOpen_ = false;
    return;
  }
  if (!sourceOpen_) {
    // A source that opens (again) has said nothing yet: the silence counts from now.
    sourceOpen_ = true;
    heardAt_ = now;
    sentences_ = sentences;
    return;
  }
  if (sentences != sentences_) {
    sentences_ = sentences;
    heardAt_ = now;
  } else if (Elapsed(now, heardAt_) > kSilentSeconds && hadFix_) {
    interrupted_ = true;
  }
}

void GpsStateTracker::FixArrived(const GpsFix& fix, int64_t now) noexcept {
  // The receiver's rate comes from fixes in a row, never from the gap before one that comes back.
  if (hadFix_ && !FixWouldReturn(now)) {
    int64_t cycle = NmeaTimeStep(TimeOfDay(lastFix_.utcTime), TimeOfDay(fix.utcTime));
    if (cycle > 0 && cycle <= 60000) cycleMs_ = static_cast<int>(cycle);
  }
  hadFix_ = true;
  fixAt_ = now;
  lastFix_ = fix;
  heardAt_ = now;
  sourceOpen_ = true;
  interrupted_ = false;
}

int64_t GpsStateTracker::LostAfter() const noexcept {
  // Three cycles, rounded up to whole seconds of the view's clock.
  return std::max<int64_t>(kLostSeconds, (int64_t{cycleMs_} * 3 + 999) / 1000);
}

GpsState GpsStateTracker::StateAt(int64_t now) const noexcept {
  if (!sourceOpen_) return GpsState::NoReceiver;
  if (Elapsed(now, heardAt_) > kSilentSeconds) return GpsState::NoData;
  if (!hadFix_) return GpsState::NoFix;
  return Elapsed(now, fixAt_) > LostAfter() ? GpsState::Lost : GpsState::Fix;
}

int64_t GpsStateTracker::FixAge(int64_t now) const noexcept {
  return hadFix_ ? Elapsed(now, fixAt_) : 0;
}

bool GpsStateTracker::FixWouldReturn(int64_t now) const noexcept {
  return hadFix_ && (interrupted_ || Elapsed(now, fixAt_) > LostAfter());
}

}  // namespace kivu
