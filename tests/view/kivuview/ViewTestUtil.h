// A recording window, a clock that tells the time it is given, and a time zone for the test.
#pragma once

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "view/ViewWindow.h"

namespace kivu::test {

class RecordingWindow final : public ViewWindow {
 public:
  void Invalidate(bool erase) override { invalidations.push_back(erase); }
  uint32_t SetTimer(uint32_t id, uint32_t) override { return id; }
  void KillTimer(uint32_t) override {}
  Size ClientSize() const override { return {800, 480}; }
  void ShowMessageBox(const std::string& text, const std::string& caption) override {
    messages.push_back(text);
    captions.push_back(caption);
  }
  void ShowMainFrame(bool show) override { frameShown.push_back(show); }
  void BringMainFrameToForeground() override { ++foregroundRequests; }
  void CreateButton(int id, const std::string& caption, const Rect& rect, int normal, int pressed) override {
    buttons.push_back(Button{id, caption, rect, normal, pressed});
  }
  void MoveButton(int id, const Rect& rect) override {
    for (Button& button : buttons)
      if (button.id == id) button.rect = rect;
  }
  GpsFixOwner& FixOwner() override { return fixOwner; }
  bool RunSettingsDialog(SettingsValues& values) override {
    ++settingsDialogs;
    if (!settingsAnswer) return false;
    values = *settingsAnswer;
    return true;
  }

  struct Button {
    int id;
    std::string caption;
    Rect rect;
    int normal, pressed;
  };
  std::vector<bool> invalidations;  // the erase flag of each request
  std::vector<std::string> messages;
  std::vector<std::string> captions;
  std::vector<bool> frameShown;
  int foregroundRequests = 0;
  std::vector<Button> buttons;
  // Fixes handed over reach whatever the test puts here.
  std::function<void(const GpsFix&)> onFix = [](const GpsFix&) {};
  DirectFixOwner fixOwner{[this](const GpsFix& fix) { onFix(fix); }};
  int settingsDialogs = 0;
  std::optional<SettingsValues> settingsAnswer;  // what the user enters; nothing is Cancel
};

// Its steady clock runs with the wall clock unless the wall clock alone is stepped.
class SetClock final : public Clock {
 public:
  explicit SetClock(int64_t now) : now_(now), steady_(now) {}
  int64_t Now() const override { return now_; }
  int64_t Steady() const override { return steady_; }
  void Set(int64_t now) { now_ = steady_ = now; }
  void Pass(int64_t seconds) {
    now_ += seconds;
    steady_ += seconds;
  }
  // The wall clock set anew (by the network, by hand): the steady clock takes no step.
  void StepWall(int64_t by) { now_ += by; }

 private:
  int64_t now_;
  int64_t steady_;
};

// Central European time for the life of the object: UTC+1 in December.
class CentralEuropeanTime {
 public:
  CentralEuropeanTime() {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  }
  ~CentralEuropeanTime() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
  }

 private:
  bool had_ = false;
  std::string old_;
};

// 2026-12-07 13:03:07 UTC, 14:03:07 in Central Europe.
inline constexpr int64_t kDecember7At1303Utc = 1796648587;
// 2026-12-07 22:59:59 UTC, a second before local midnight in Central Europe.
inline constexpr int64_t kDecember7At2259Utc = 1796684399;

}  // namespace kivu::test
