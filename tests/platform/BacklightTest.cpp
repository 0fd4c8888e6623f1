// The screen's backlight, through folders laid out as /sys/class/backlight with real files: which device
// is chosen, what is written to it and when, and the one line where nothing can be dimmed.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Backlight.h"
#include "platform/Diagnostics.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

constexpr const char* kNone = "(none)";

// A device folder; kNone leaves that file out (an empty type leaves the type out).
void MakeDevice(const std::string& folder, const std::string& name, const std::string& type,
                const std::string& max, const std::string& brightness) {
  const std::string device = folder + name + "/";
  ASSERT_EQ(mkdir(device.c_str(), 0755), 0) << device;
  if (!type.empty()) test::WriteFile(device + "type", type + "\n");
  if (max != kNone) test::WriteFile(device + "max_brightness", max + "\n");
  if (brightness != kNone) test::WriteFile(device + "brightness", brightness);
}

std::string Name(const Backlight& backlight) {
  const std::string& device = backlight.Device();
  return device.substr(device.rfind('/') + 1);
}

// A read-only number that the kernel refuses to let anyone write, root included.
constexpr const char* kSysfsNumber = "/sys/devices/system/cpu/kernel_max";

TEST(Backlight, ChoosesFirmwareThenPlatformThenRawByNameAndPassesOverBadContents) {
  struct Case {
    std::vector<std::vector<std::string>> devices;  // name, type, max, brightness
    std::string chosen;
  };
  const std::vector<Case> cases = {
      {{{"a", "raw", "10", "5"}, {"b", "platform", "10", "5"}, {"c", "firmware", "10", "5"}}, "c"},
      {{{"a", "raw", "10", "5"}, {"b", "platform", "10", "5"}}, "b"},
      {{{"b", "raw", "10", "5"}, {"a", "raw", "10", "5"}, {"0", "", "10", "5"}}, "a"},
      {{{"a", "firmware", "10", ""},
        {"b", "firmware", "10", "garbage"},
        {"c", "firmware", "10", "-3"},
        {"d", "firmware", "99999999999", "5"},
        {"e", "firmware", "10", "5x"},
        {"f", "firmware", kNone, "5"},
        {"f2", "firmware", "", "5"},
        {"g", "firmware", "0", "0"},
        {"h", "firmware", "10", "11"},
        {"i", "firmware", "10", std::string(100, '1')},
        {"z", "raw", "10", "5\n"}},
       "z"},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    for (const auto& d : c.devices)
      MakeDevice(dir.Path(), d[0], d[1], d[2], d[3]);
    Backlight backlight(dir.Path());
    EXPECT_EQ(Name(backlight), c.chosen) << c.devices.size() << " devices";
  }

  // Files that are not files: a named pipe (which must not make the choice wait), a folder, a device
  // that is a plain file. None is usable, and the environment names the folder.
  test::TempDir dir;
  MakeDevice(dir.Path(), "fifo", "firmware", "10", kNone);
  ASSERT_EQ(mkfifo((dir / "fifo/brightness").c_str(), 0644), 0);
  MakeDevice(dir.Path(), "folder", "firmware", "10", kNone);
  ASSERT_EQ(mkdir((dir / "folder/brightness").c_str(), 0755), 0);
  test::WriteFile(dir / "plain", "5\n");
  std::vector<std::string> said;
  DiagnosticCapture capture([&](DiagnosticLevel, const std::string& line) { said.push_back(line); });
  ASSERT_EQ(setenv("KIVU_BACKLIGHT", dir.Path().c_str(), 1), 0);
  Backlight backlight;
  unsetenv("KIVU_BACKLIGHT");
  EXPECT_FALSE(backlight.Usable());
  backlight.Dim(0.5);
  backlight.Restore();
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0], "kivu: there is no screen backlight in " + dir.Path() +
                         " that Kivu can dim; the screen keeps its brightness\n");
}

TEST(Backlight, DimsAShareOfTheDayLevelWithinOneAndTheMaximumAndPutsTheDayLevelBack) {
  test::TempDir dir;
  // Two panels of a kind: the first by name is dimmed, the other left alone.
  MakeDevice(dir.Path(), "panel", "raw", "1000", "601");
  MakeDevice(dir.Path(), "other", "raw", "1000", "601");
  // A real one would be chosen over both; a broken one is passed over.
  MakeDevice(dir.Path(), "broken", "firmware", "1000", kNone);
  const std::string other = dir / "other/brightness";
  {
    Backlight backlight(dir.Path());
    // Nothing is written until something is dimmed, nor when the object goes without having dimmed.
    backlight.Restore();
    EXPECT_EQ(test::ReadFile(other), "601");
  }
  EXPECT_EQ(test::ReadFile(other), "601");

  Backlight backlight(dir.Path());
  ASSERT_EQ(Name(backlight), "other");
  const std::vector<std::pair<double, std::string>> dims = {
      {0.5, "301\n"},                         // 300.5 rounds up
      {0.1, "60\n"},                          // 60.1
      {0.0001, "1\n"},                        // 0.06: never dark
      {-2.0, "1\n"},        {3.0, "1000\n"},  // 1803: the maximum
      {INFINITY, "1000\n"}, {NAN, "1000\n"},  // changes nothing
      {0.5, "301\n"},                         // still a share of the day level, not of the last one
  };
  for (const auto& [fraction, level] : dims) {
    backlight.Dim(fraction);
    EXPECT_EQ(test::ReadFile(other), level) << fraction;
  }
  // The same level again writes nothing: the file keeps the form we gave it, without the line end.
  test::WriteFile(other, "301");
  backlight.Dim(0.5);
  EXPECT_EQ(test::ReadFile(other), "301");
  backlight.Restore();
  EXPECT_EQ(test::ReadFile(other), "601\n");
  backlight.Restore();
  EXPECT_EQ(test::ReadFile(other), "601\n");

  // The user turns the screen up by day: the next dimming starts from there.
  test::WriteFile(other, "800\n");
  backlight.Dim(0.25);
  EXPECT_EQ(test::ReadFile(other), "200\n");
  {
    Backlight second(dir.Path());
    second.Dim(0.5);
    EXPECT_EQ(test::ReadFile(other), "100\n");  // what it found was its day level
  }
  EXPECT_EQ(test::ReadFile(other), "200\n");  // and the destructor put that back
  backlight.Restore();
  EXPECT_EQ(test::ReadFile(other), "800\n");
  EXPECT_EQ(test::ReadFile(dir / "panel/brightness"), "601");
}

TEST(Backlight, LeavesABrightnessSetByHandWhileDimmedUntilAnotherDimming) {
  test::TempDir dir;
  MakeDevice(dir.Path(), "panel", "platform", "100", "60");
  const std::string brightness = dir / "panel/brightness";
  {
    Backlight backlight(dir.Path());
    backlight.Dim(0.5);
    EXPECT_EQ(test::ReadFile(brightness), "30\n");
    test::WriteFile(brightness, "45\n");
    backlight.Dim(0.5);  // the same dimming: the user's level stands
    EXPECT_EQ(test::ReadFile(brightness), "45\n");
    backlight.Dim(0.25);  // a darker one takes the screen again
    EXPECT_EQ(test::ReadFile(brightness), "15\n");
    backlight.Restore();
    EXPECT_EQ(test::ReadFile(brightness), "60\n");

    backlight.Dim(0.5);
    test::WriteFile(brightness, "45\n");
    backlight.Restore();  // the user's level stands at day too
    EXPECT_EQ(test::ReadFile(brightness), "45\n");
    backlight.Dim(0.5);
    test::WriteFile(brightness, "7\n");
  }
  EXPECT_EQ(test::ReadFile(brightness), "7\n");  // and when Kivu ends
}

TEST(Backlight, SaysOnceHowToGetTheRightWhereNoBrightnessMayBeWritten) {
  std::vector<std::string> said;
  DiagnosticCapture capture([&](DiagnosticLevel, const std::string& line) { said.push_back(line); });

  // Two ways to a brightness we may not write: a kernel attribute without a writer (which also proves
  // that the page-sized files of the kernel are read), and file modes, which root does not heed.
  std::vector<std::string> ways;
  if (test::FileExists(kSysfsNumber)) ways.push_back("a read-only kernel attribute");
  if (geteuid() != 0) ways.push_back("a file of mode 0444");
  if (ways.empty())
    GTEST_SKIP() << "run as root without " << kSysfsNumber << ": no brightness here refuses to be written";
  for (const std::string& way : ways) {
    SCOPED_TRACE(way);
    said.clear();
    test::TempDir dir;
    MakeDevice(dir.Path(), "panel", "firmware", kNone, kNone);
    const std::string device = dir / "panel";
    if (way == "a read-only kernel attribute") {
      ASSERT_EQ(symlink(kSysfsNumber, (device + "/max_brightness").c_str()), 0);
      ASSERT_EQ(symlink(kSysfsNumber, (device + "/brightness").c_str()), 0);
    } else {
      test::WriteFile(device + "/max_brightness", "100\n");
      test::WriteFile(device + "/brightness", "60\n");
      ASSERT_EQ(chmod((device + "/brightness").c_str(), 0444), 0);
    }
    const std::string before = test::ReadFile(device + "/brightness");
    for (int i = 0; i < 2; ++i) {
      Backlight backlight(dir.Path());
      EXPECT_FALSE(backlight.Usable());
      backlight.Dim(0.5);
      backlight.Restore();
    }
    EXPECT_EQ(test::ReadFile(device + "/brightness"), before);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0],
              "kivu: the screen's backlight " + device +
                  "/brightness may not be written (Permission denied), so the screen keeps its "
                  "brightness: install Kivu's package (its udev rule lets the group video set the "
                  "brightness), add the user to that group (sudo adduser $USER video) and log in again\n");

    // A device we may write is taken instead, though it ranks lower, and nothing is said.
    said.clear();
    MakeDevice(dir.Path(), "raw", "raw", "100", "60");
    Backlight backlight(dir.Path());
    EXPECT_EQ(Name(backlight), "raw");
    EXPECT_TRUE(said.empty());
  }

  // A device that stops taking writes (its driver gone) is told once, however often it is dimmed.
  said.clear();
  test::TempDir dir;
  MakeDevice(dir.Path(), "panel", "raw", "100", "60");
  Backlight backlight(dir.Path());
  ASSERT_TRUE(backlight.Usable());
  ASSERT_EQ(unlink((dir / "panel/brightness").c_str()), 0);
  ASSERT_EQ(mkdir((dir / "panel/brightness").c_str(), 0755), 0);
  backlight.Dim(0.5);
  backlight.Dim(0.25);
  backlight.Restore();
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0], "kivu: setting the screen's backlight " + dir / "panel" +
                         "/brightness failed (Is a directory); the brightness stays as it is\n");
}

}  // namespace
}  // namespace kivu
