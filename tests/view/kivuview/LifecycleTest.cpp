// The view in its window's life: creation, timers, commands, settings, navigator and shutdown, with a
// recording window, real files, real pseudo-terminals and a real program to launch.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "config/AppSettings.h"
#include "config/IniFile.h"
#include "gps/NmeaTestUtil.h"
#include "platform/SerialPort.h"
#include "support/TestSupport.h"
#include "trip/TripTestUtil.h"
#include "view/KivuView.h"
#include "view/kivuview/ViewTestUtil.h"

namespace kivu {
namespace {

using namespace std::chrono_literals;

// A home folder of Kivu's for the test: Kivu.ini and KivuRecord/ go there.
class KivuHome {
 public:
  KivuHome() { setenv("KIVU_HOME", dir.Path().c_str(), 1); }
  ~KivuHome() { unsetenv("KIVU_HOME"); }
  test::TempDir dir;
};

class ViewLife : public ::testing::Test {
 protected:
  void SetUp() override { setenv("KIVU_PORTS", (ports.Path() + "none").c_str(), 1); }
  void TearDown() override { unsetenv("KIVU_PORTS"); }
  AppSettings Settings() {
    AppSettings s = LoadAppSettings();
    return s;
  }
  // The receiver's fixes go to view, as the window's hand-off would pass them, and are counted.
  void PassFixesTo(CKivuView& view) {
    window.onFix = [this, &view](const GpsFix& fix) {
      view.OnGpsFix(fix);
      std::lock_guard lock(fixMutex);
      ++fixes;
      arrived.notify_all();
    };
  }
  bool WaitForFixes(int count) {
    std::unique_lock lock(fixMutex);
    return arrived.wait_for(lock, 5s, [&] { return fixes >= count; });
  }

  KivuHome home;
  test::TempDir ports;
  test::RecordingWindow window;
  test::SetClock clock{test::kDecember7At1303Utc};
  std::mutex fixMutex;
  std::condition_variable arrived;
  int fixes = 0;
};

TEST_F(ViewLife, CreationMakesTheButtonsInOrderAtTheirPlaces) {
  CKivuView view(window, Settings(), clock);
  view.OnCreate();
  ASSERT_EQ(window.buttons.size(), 4u);
  // 800 x 480 is wide: a column from the bottom left, Exit lowest, at a scale of 1.25 (50-pixel
  // buttons 52.5 apart).
  const struct {
    int id;
    const char* caption;
    Rect rect;
    int normal, pressed;
  } expected[] = {{1, "Exit", {8, 422, 58, 472}, 147, 148},
                  {2, "Settings", {8, 369, 58, 419}, 149, 150},
                  {3, "Navigator", {8, 316, 58, 366}, 155, 156},
                  {4, "Minimize", {8, 263, 58, 313}, 157, 158}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(window.buttons[i].id, expected[i].id);
    EXPECT_EQ(window.buttons[i].caption, expected[i].caption);
    EXPECT_EQ(window.buttons[i].rect, expected[i].rect);
    EXPECT_EQ(window.buttons[i].normal, expected[i].normal);
    EXPECT_EQ(window.buttons[i].pressed, expected[i].pressed);
  }
  EXPECT_EQ(view.Trip().TripStartTime(), test::kDecember7At1303Utc);
}

TEST_F(ViewLife, WithoutAPortTheViewTellsOnceAndGoesOnWithoutAReceiver) {
  CKivuView view(window, Settings(), clock);
  view.OnCreate();
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0], "Failed to create GPS Parser!");
  EXPECT_EQ(window.captions[0], "");
  EXPECT_EQ(view.Receiver(), nullptr);
  EXPECT_EQ(window.buttons.size(), 4u);
  // Painting still works.
  auto bitmap = Bitmap::Create(800, 480);
  Surface surface(*bitmap);
  view.OnDraw(surface);
  EXPECT_EQ(bitmap->ColorAt(2, 2), (Color{180, 180, 180}));
}

TEST_F(ViewLife, WithAPortTheReceiverRunsAndFixesReachTheView) {
  test::PseudoTerminal pty;
  setenv("KIVU_PORTS", pty.SlavePath().c_str(), 1);
  CKivuView view(window, Settings(), clock);
  PassFixesTo(view);
  view.OnCreate();
  EXPECT_TRUE(window.messages.empty());
  ASSERT_NE(view.Receiver(), nullptr);
  pty.Write(test::Sentence("GPRMC,120000,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"));
  EXPECT_TRUE(WaitForFixes(1));
  EXPECT_NEAR(view.CurrentFix().latitude, 48.1173, 1e-9);
}

TEST_F(ViewLife, ClockTimerRepaintsOncePerMinuteChange) {
  CKivuView view(window, Settings(), clock);
  view.OnCreate();
  window.invalidations.clear();
  // 13:03:07 UTC: ticks within the same minute change nothing.
  for (int s = 8; s < 60; s += 10) {
    clock.Set(test::kDecember7At1303Utc + s - 7);
    view.OnTimer(kClockTimer);
  }
  EXPECT_TRUE(window.invalidations.empty());
  clock.Set(test::kDecember7At1303Utc + 60);  // 13:04:07
  view.OnTimer(kClockTimer);
  view.OnTimer(kClockTimer);
  ASSERT_EQ(window.invalidations.size(), 1u);
  EXPECT_TRUE(window.invalidations[0]);
}

TEST_F(ViewLife, AdvertisementTimerStepsThroughTheTexts) {
  AppSettings settings = Settings();
  ASSERT_EQ(settings.adTexts.size(), 1u);
  CKivuView one(window, settings, clock);
  one.OnCreate();
  window.invalidations.clear();
  one.OnTimer(kAdTimer);
  one.OnTimer(kAdTimer);
  EXPECT_EQ(one.AdIndex(), 0);
  EXPECT_EQ(window.invalidations.size(), 2u);

  settings.adTexts = {"a", "b", "c"};
  CKivuView three(window, settings, clock);
  three.OnCreate();
  int seen[4];
  for (int& index : seen) {
    three.OnTimer(kAdTimer);
    index = three.AdIndex();
  }
  EXPECT_EQ(seen[0], 1);
  EXPECT_EQ(seen[1], 2);
  EXPECT_EQ(seen[2], 0);
  EXPECT_EQ(seen[3], 1);
}

TEST_F(ViewLife, MinimizeHidesTheFrameAndFocusBringsItForward) {
  CKivuView view(window, Settings(), clock);
  view.OnCreate();
  view.OnMinimize();
  ASSERT_EQ(window.frameShown.size(), 1u);
  EXPECT_FALSE(window.frameShown[0]);
  view.OnSetFocus();
  EXPECT_EQ(window.foregroundRequests, 1);
}

TEST_F(ViewLife, CloseStopsEverythingAndMayComeTwice) {
  AppSettings settings = Settings();
  settings.recordTrack = 1;
  test::PseudoTerminal pty;
  setenv("KIVU_PORTS", pty.SlavePath().c_str(), 1);
  CKivuView view(window, settings, clock);
  view.OnCreate();
  ASSERT_NE(view.Receiver(), nullptr);
  EXPECT_TRUE(view.Trip().IsRecordingTrack());
  view.OnClose();
  EXPECT_EQ(view.Receiver(), nullptr);
  EXPECT_FALSE(view.Trip().IsRecordingTrack());
  view.OnClose();
}

TEST_F(ViewLife, SettingsCancelChangesNothing) {
  CKivuView view(window, Settings(), clock);
  view.OnCreate();
  view.OnSettings();
  EXPECT_EQ(window.settingsDialogs, 1);
  EXPECT_FALSE(test::FileExists(GetIniFilePath()));
  EXPECT_EQ(view.Settings().unitSelection, 0);
}

TEST_F(ViewLife, SettingsOkSavesAndSwitchesTheTrackAtOnceWithoutAReceiver) {
  CKivuView view(window, Settings(), clock);
  view.OnCreate();  // no port: no receiver, so the message log step is left out
  SettingsValues values = SettingsValuesOf(view.Settings());
  values.unitSelection = 1;
  values.recordTrack = 1;
  values.recordGpsMessages = 1;
  values.navigationPath = "/usr/bin/navit";
  window.settingsAnswer = values;
  window.messages.clear();
  view.OnSettings();
  EXPECT_EQ(view.Settings().unitSelection, 1);
  EXPECT_TRUE(view.Trip().IsRecordingTrack());
  EXPECT_TRUE(window.messages.empty());
  std::string ini = test::ReadFile(GetIniFilePath());
  EXPECT_EQ(ini,
            "[Settings]\r\nDIGITAL_READOUT = 1\r\nUNIT_SELECTION = 1\r\nNAVIGATION_PATH = /usr/bin/navit\r\n"
            "RECORD_GPS_MSG = 1\r\nPITCH_SOURCE = 0\r\nROLL_SOURCE = 0\r\nRECORD_TRACK = 1\r\n");
}

TEST_F(ViewLife, AnotherGpsSourceChosenInSettingsIsSavedAndTakenAtOnce) {
  unsetenv("KIVU_PORTS");  // it would win over the setting
  CKivuView view(window, Settings(), clock);
  view.SetSourcePolicy(GpsSourcePolicy{std::nullopt, {ports.Path() + "none"}});
  PassFixesTo(view);
  view.OnCreate();  // no port: no receiver
  ASSERT_EQ(view.Receiver(), nullptr);
  window.messages.clear();
  test::PseudoTerminal pty;
  SettingsValues values = SettingsValuesOf(view.Settings());
  values.gpsSource = pty.SlavePath();
  window.settingsAnswer = values;
  view.OnSettings();
  ASSERT_NE(view.Receiver(), nullptr);
  EXPECT_EQ(view.Receiver()->PortPath(), pty.SlavePath());
  EXPECT_NE(test::ReadFile(GetIniFilePath()).find("GPS_SOURCE = " + pty.SlavePath() + "\r\n"),
            std::string::npos);

  // Fixes of the new receiver reach the view (the first receiver's refusal no longer holds).
  pty.Write(test::Sentence("GPRMC,120000,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"));
  EXPECT_TRUE(WaitForFixes(1));

  // Back to Automatic: the old receiver goes, the port is the table's again, and the file says so.
  values.gpsSource = "";
  window.settingsAnswer = values;
  view.OnSettings();
  EXPECT_EQ(view.Receiver(), nullptr);
  EXPECT_EQ(window.messages, std::vector<std::string>{"Failed to create GPS Parser!"});
  EXPECT_EQ(view.TheGpsState(), GpsState::NoReceiver);
  AppSettings saved;
  saved.gpsSource = "unread";
  ReadAppSettings(saved, GetIniFilePath());
  EXPECT_EQ(saved.gpsSource, "");
}

TEST_F(ViewLife, TheDisplayAndHeadUpKeysStepRepaintAndAreSavedOnceChosen) {
  CKivuView view(window, Settings(), clock);
  view.OnCreate();
  view.SetHeadUp(true);  // kivu --hud: for this run only
  window.invalidations.clear();
  view.OnToggleHeadUp();
  EXPECT_FALSE(view.HeadUp());
  EXPECT_FALSE(test::FileExists(GetIniFilePath()));  // off is what the file says already
  view.OnToggleHeadUp();
  EXPECT_TRUE(view.HeadUp());
  const Palette steps[] = {Palette::kDay, Palette::kDusk, Palette::kNight, Palette::kRedNight, Palette::kDay};
  for (int step = 1; step <= 5; ++step) {
    view.OnStepDisplay();
    EXPECT_EQ(view.Settings().displayMode, step % 5);
    EXPECT_EQ(view.ThePalette(), steps[step - 1]) << step;  // Automatic by day at the end
  }
  EXPECT_EQ(window.invalidations, std::vector<bool>(7, true));
  EXPECT_EQ(test::ReadFile(GetIniFilePath()), "[Settings]\r\nHEAD_UP_DISPLAY = 1\r\nDISPLAY_MODE = 0\r\n");
  const AppSettings saved = LoadAppSettings();
  EXPECT_EQ(saved.headUpDisplay, 1);
  CKivuView next(window, saved, clock);
  EXPECT_TRUE(next.HeadUp());
}

TEST_F(ViewLife, AutomaticFollowsTheSunAtTheFixAndByTheClockOnceTheFixIsLost) {
  clock.Set(UtcSeconds(2026, 12, 7, 22, 0, 0));
  CKivuView view(window, Settings(), clock);
  view.OnCreate();
  EXPECT_EQ(view.ThePalette(), Palette::kDay);                                          // no place known yet
  view.OnGpsFix(test::MakeFix({.hour = 22, .latitude = 48.137, .longitude = 11.575}));  // Munich
  EXPECT_LT(view.SunElevationDegrees(), -7);
  EXPECT_EQ(view.ThePalette(), Palette::kNight);
  EXPECT_EQ(view.BacklightPercentNow(), 30);
  // No more fixes; the clock runs on to the next noon, and the next minute's tick follows the sun there.
  clock.Set(UtcSeconds(2026, 12, 8, 11, 1, 0));
  view.OnTimer(kClockTimer);
  EXPECT_NE(view.TheGpsState(), GpsState::Fix);
  EXPECT_GT(view.SunElevationDegrees(), 15);
  EXPECT_EQ(view.ThePalette(), Palette::kDay);
  EXPECT_EQ(view.BacklightPercentNow(), 100);
}

TEST_F(ViewLife, NavigatorThatCannotStartExplainsHowToSetIt) {
  AppSettings settings = Settings();
  settings.navigationPath = ports.Path() + "missing-navigator";
  CKivuView view(window, settings, clock);
  view.OnNavigator();
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0], "To set the Navigator:\nFrom Settings->Navigator->Browse.");
  EXPECT_EQ(window.captions[0], "Kivu");
}

TEST_F(ViewLife, NavigatorStartsTheProgram) {
  std::string mark = ports.Path() + "started";
  std::string program = ports.Path() + "navigator";
  test::WriteFile(program, "#!/bin/sh\ntouch '" + mark + "'\n");
  chmod(program.c_str(), 0755);
  AppSettings settings = Settings();
  settings.navigationPath = program;
  CKivuView view(window, settings, clock);
  view.OnNavigator();
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(test::WaitForFile(ports.Path(), "started"));
}

}  // namespace
}  // namespace kivu
