// The speed warning over drives that cross the limit: how long the speed must stay above it, what ends
// it, a lost fix, a 10 Hz receiver, and the chimes that go with it.
#include <gtest/gtest.h>

#include <vector>

#include "trip/SpeedWarning.h"

namespace kivu {
namespace {

constexpr int kLost = -1;  // a step where the GPS loses its fix

struct Step {
  int64_t ms;
  int speed;  // or kLost
  bool warns;
  uint64_t chimes;  // chimes due after this step
};

struct Drive {
  const char* name;
  SpeedWarningChoice choice;
  std::vector<Step> steps;
  bool silenceAtStep3 = false;
};

// A drive of ten fixes a second, the speed above the limit from the first: the warning comes at the
// fix 2 s after it, not the one before.
std::vector<Step> TenHertz() {
  std::vector<Step> steps;
  for (int i = 0; i <= 20; ++i)
    steps.push_back({1000 + i * 100, 104, i == 20, i == 20 ? 1u : 0u});
  return steps;
}

TEST(SpeedWarning, WarnsAfterTwoSecondsAboveAndEndsClearlyBelow) {
  const SpeedWarningChoice kmh{.limit = 100};
  const Drive drives[] = {
      {"sustained",
       kmh,
       {{0, 101, false, 0}, {1000, 105, false, 0}, {2000, 104, true, 1}, {3000, 130, true, 1}}},
      {"brief, then counted afresh",
       kmh,
       {{0, 120, false, 0},
        {1000, 120, false, 0},
        {1900, 100, false, 0},  // at the limit is not above it
        {2500, 120, false, 0},
        {4499, 101, false, 0},
        {4500, 101, true, 1}}},
      {"between the limit less 3 and the limit it stays on",
       kmh,
       {{0, 110, false, 0},
        {2000, 110, true, 1},
        {3000, 100, true, 1},
        {4000, 98, true, 1},
        {5000, 101, true, 1},
        {6000, 97, false, 1},
        {7000, 99, false, 1},
        {8000, 101, false, 1},
        {9000, 101, false, 1},
        {10000, 101, true, 2}}},
      {"in mph the margin is 2",
       {.limit = 60, .unitSelection = 1},
       {{0, 65, false, 0}, {2000, 65, true, 1}, {3000, 59, true, 1}, {4000, 58, false, 1}}},
      {"a lost fix ends it and the count starts again",
       kmh,
       {{0, 120, false, 0},
        {2000, 120, true, 1},
        {3000, kLost, false, 1},
        {4000, 120, false, 1},
        {5999, 120, false, 1},
        {6000, kLost, false, 1},
        {7000, 120, false, 1},
        {9000, 120, true, 2}}},
      {"ten fixes a second", kmh, TenHertz()},
      {"off never warns", {.limit = 0}, {{0, 250, false, 0}, {5000, 250, false, 0}}},
      {"a chime every 30 s while it lasts",
       kmh,
       {{0, 120, false, 0},
        {2000, 120, true, 1},
        {31999, 120, true, 1},
        {32000, 120, true, 2},
        {62500, 120, true, 3}}},
      {"silenced until it ends",
       kmh,
       {{0, 120, false, 0},
        {2000, 120, true, 1},
        {3000, 120, true, 1},
        {40000, 120, true, 1},
        {41000, 90, false, 1},
        {42000, 120, false, 1},
        {44000, 120, true, 2}},
       true},
      {"no sound, no chimes",
       {.limit = 100, .sound = false},
       {{0, 120, false, 0}, {2000, 120, true, 0}, {40000, 120, true, 0}}},
  };
  for (const Drive& drive : drives) {
    SpeedWarning warning;
    for (size_t i = 0; i < drive.steps.size(); ++i) {
      const Step& step = drive.steps[i];
      const bool before = warning.Warning();
      const bool changed =
          step.speed == kLost ? warning.Lose() : warning.Feed(step.ms, step.speed, drive.choice);
      if (drive.silenceAtStep3 && i == 2) warning.Silence();
      EXPECT_EQ(warning.Warning(), step.warns) << drive.name << ", step " << i;
      EXPECT_EQ(changed, before != step.warns) << drive.name << ", step " << i;
      EXPECT_EQ(warning.ChimesDue(), step.chimes) << drive.name << ", step " << i;
    }
  }
}

}  // namespace
}  // namespace kivu
