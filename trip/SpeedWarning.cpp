#include "trip/SpeedWarning.h"

namespace kivu {

void SpeedWarning::End() {
  warning_ = false;
  silenced_ = false;
  counting_ = false;
}

bool SpeedWarning::Lose() {
  const bool was = warning_;
  End();
  return was;
}

bool SpeedWarning::Feed(int64_t fixMs, int32_t speed, const SpeedWarningChoice& choice) {
  const bool was = warning_;
  // A receiver whose time went backwards gives no measure of how long the car was fast: count afresh.
  if (counting_ && fixMs < lastFixMs_) {
    aboveSinceMs_ = fixMs;
    nextChimeMs_ = fixMs + kChimeEveryMs;
  }
  lastFixMs_ = fixMs;
  if (choice.limit <= 0) {
    End();
    return was;
  }
  const bool above = speed > choice.limit;
  if (warning_) {
    const int32_t margin = choice.unitSelection == 0 ? kClearMarginKmh : kClearMarginMph;
    if (speed <= choice.limit - margin) {
      End();
      return true;
    }
    if (fixMs >= nextChimeMs_) {
      nextChimeMs_ = fixMs + kChimeEveryMs;
      if (choice.sound && !silenced_) ++chimes_;
    }
    return false;
  }
  if (!above) {
    counting_ = false;
    return false;
  }
  if (!counting_) {
    counting_ = true;
    aboveSinceMs_ = fixMs;
  }
  if (fixMs - aboveSinceMs_ < kWarnAfterMs) return false;
  warning_ = true;
  silenced_ = false;
  nextChimeMs_ = fixMs + kChimeEveryMs;
  if (choice.sound) ++chimes_;
  return true;
}

}  // namespace kivu
