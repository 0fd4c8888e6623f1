// The dashboard's Qt window offscreen: creation with and without a receiver, fixes reaching the
// picture, the buttons, Minimize, the splash, and shutdown while the reader waits in the hand-off.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/MainFrame.h"
#include "app/SplashWnd.h"
#include "app/WindowSystem.h"
#include "config/AppSettings.h"
#include "gps/NmeaTestUtil.h"
#include "platform/SerialPort.h"
#include "platform/sound/Chime.h"
#include "support/QtTestSupport.h"
#include "support/TestSupport.h"
#include "view/DashboardPaint.h"

namespace kivu {
namespace {

using test::ProcessUntil;

std::string Burst(int second, const char* latitude = "4807.038") {
  char time[16];
  std::snprintf(time, sizeof time, "1200%02d", second);
  return test::Sentence(std::string("GPRMC,") + time + ",A," + latitude +
                        ",N,01131.000,E,060.0,084.4,230394,003.1,W") +
         test::Sentence(std::string("GPGGA,") + time + "," + latitude +
                        ",N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
}

// Kivu's home and ports for one test: a pseudo-terminal for the receiver (or none).
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("KIVU_HOME", home.Path().c_str(), 1);
    setenv("KIVU_PORTS", pty.SlavePath().c_str(), 1);
  }
  void TearDown() override {
    frame.reset();
    unsetenv("KIVU_PORTS");
    unsetenv("KIVU_HOME");
  }
  // Makes and shows the frame at 800 x 480; the view is created as it is shown, and the test goes on
  // once the dashboard is on the screen.
  CMainFrame& Show(AppSettings settings) {
    frame = std::make_unique<CMainFrame>(std::move(settings));
    ShowInMode(*frame, WindowMode::Window, 800, 480);
    EXPECT_TRUE(ProcessUntil([&] { return frame->ViewWidget().IsPainted(); }));
    return *frame;
  }
  QImage Grab() { return frame->ViewWidget().grab().toImage(); }
  QAbstractButton* Button(const char* caption) { return test::Find<QAbstractButton>(frame.get(), caption); }

  test::TempDir home;
  test::PseudoTerminal pty;
  std::unique_ptr<CMainFrame> frame;
};

TEST_F(WindowTest, FixesFromAPseudoTerminalChangeTheFiguresAndThePicture) {
  CMainFrame& f = Show(LoadAppSettings());
  EXPECT_EQ(f.windowTitle(), "Kivu");
  EXPECT_EQ(f.menuWidget(), nullptr);  // no menu bar: the view fills the frame
  EXPECT_EQ(f.ViewWidget().size(), f.size());
  ASSERT_NE(f.ViewWidget().View().Receiver(), nullptr);
  QImage before = Grab();
  pty.Write(Burst(1));
  ASSERT_TRUE(ProcessUntil([&] { return f.ViewWidget().View().CurrentFix().utcTime.second == 1; }));
  pty.Write(Burst(2, "4808.038"));
  ASSERT_TRUE(ProcessUntil([&] { return f.ViewWidget().View().Trip().StatsStarted(); }));
  EXPECT_EQ(f.ViewWidget().View().Stats().speedInt, 111);  // 60 knots in km/h, rounded
  ASSERT_TRUE(ProcessUntil([&] { return Grab() != before; }));
}

// At night the screen's backlight goes down to the night level, the buttons and the dialogs go dark
// with the dashboard, and the day's brightness comes back when Kivu ends.
TEST_F(WindowTest, NightDimsTheBacklightAndTheDialogsAndKivuGivesTheBrightnessBack) {
  const std::string device = home.Path() + "backlight/panel/";
  std::filesystem::create_directories(device);
  test::WriteFile(device + "max_brightness", "1000\n");
  test::WriteFile(device + "brightness", "800\n");
  test::WriteFile(device + "type", "raw\n");
  setenv("KIVU_BACKLIGHT", (home.Path() + "backlight").c_str(), 1);
  const QPalette day = QApplication::palette();
  AppSettings settings = LoadAppSettings();
  settings.displayMode = 3;  // Night
  settings.backlightNight = 30;
  CMainFrame& f = Show(settings);
  EXPECT_TRUE(ProcessUntil([&] { return test::ReadFile(device + "brightness") == "240\n"; }));
  // The brightest pixel of the buttons and of the Settings dialog.
  auto brightest = [](const QImage& image) {
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        most = std::max({most, qRed(p), qGreen(p), qBlue(p)});
      }
    return most;
  };
  EXPECT_LE(brightest(Button("Exit")->grab().toImage()), 160);
  int dialog = 256;
  test::WhenModal([&](QWidget* modal) {
    dialog = brightest(modal->grab().toImage());
    qobject_cast<QDialog*>(modal)->reject();
  });
  Button("Settings")->click();
  EXPECT_LE(dialog, 160);
  f.ViewWidget().Shutdown();
  frame.reset();
  unsetenv("KIVU_BACKLIGHT");
  EXPECT_EQ(test::ReadFile(device + "brightness"), "800\n");
  QApplication::setPalette(day);  // for the tests that follow
}

// The chime plays through the sound device when the speed warning starts, two seconds of fixes above
// the limit after the first, and not before.
TEST_F(WindowTest, TheSpeedWarningChimesThroughTheSoundDeviceWhenItStarts) {
  const std::string played = home.Path() + "played.raw";
  setenv("KIVU_SOUND_DEVICE", ("file:FILE=" + played + ",FORMAT=raw").c_str(), 1);
  AppSettings settings = LoadAppSettings();
  settings.speedWarning = 100;  // km/h; the bursts go 60 knots, 111 km/h
  CMainFrame& f = Show(settings);
  CKivuView& view = f.ViewWidget().View();
  for (int second = 1; second <= 3; ++second) {
    pty.Write(Burst(second));
    ASSERT_TRUE(ProcessUntil([&] { return view.CurrentFix().utcTime.second == second; }));
  }
  EXPECT_FALSE(view.SpeedWarningOn());
  EXPECT_FALSE(test::FileExists(played));
  pty.Write(Burst(4));
  ASSERT_TRUE(ProcessUntil([&] { return view.SpeedWarningOn(); }));
  const size_t chime = ChimeSamples().size() * sizeof(int16_t);
  EXPECT_TRUE(ProcessUntil([&] { return test::ReadFile(played).size() == chime; }));
  // The key w silences it until the warning ends; the warning itself stays on.
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &f, Qt::Key_W);
  EXPECT_FALSE(view.ChimeWanted());
  EXPECT_TRUE(view.SpeedWarningOn());
  unsetenv("KIVU_SOUND_DEVICE");
}

TEST_F(WindowTest, AReceiverThatFallsSilentOrGoesIsFlaggedOnTheDashboard) {
  CMainFrame& f = Show(LoadAppSettings());
  const CKivuView& view = f.ViewWidget().View();
  auto flagShown = [&] {
    QImage image = Grab();
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        red += image.pixel(x, y) == qRgb(kGpsFlagColour.red, kGpsFlagColour.green, kGpsFlagColour.blue);
    return red > 1000;
  };
  ASSERT_TRUE(ProcessUntil([&] { return flagShown(); }));  // waiting for the first fix
  pty.Write(Burst(1));
  ASSERT_TRUE(ProcessUntil([&] { return view.TheGpsState() == GpsState::Fix && !flagShown(); }));
  // The receiver says nothing more: after 3 s the dashboard says so, by itself.
  ASSERT_TRUE(ProcessUntil([&] { return view.TheGpsState() == GpsState::NoData; }, 8000));
  EXPECT_TRUE(flagShown());
  pty.Write(Burst(2));
  ASSERT_TRUE(ProcessUntil([&] { return view.TheGpsState() == GpsState::Fix && !flagShown(); }));
  pty.CloseMaster();  // pulled out
  ASSERT_TRUE(ProcessUntil([&] { return view.TheGpsState() == GpsState::NoReceiver; }, 5000));
  EXPECT_TRUE(flagShown());
}

TEST_F(WindowTest, WithoutAPortTheMessageComesOverThePaintedDashboardWithAnOkForAFinger) {
  setenv("KIVU_PORTS", (home.Path() + "no-port").c_str(), 1);
  QString text;
  bool paintedFirst = false;
  int okHeight = 0;
  test::WhenModalComes([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    text = box->text();
    paintedFirst = frame->ViewWidget().IsPainted();
    okHeight = box->button(QMessageBox::Ok)->height();
    EXPECT_EQ(box->parentWidget()->window(), frame.get());
    box->accept();
  });
  CMainFrame& f = Show(LoadAppSettings());
  ASSERT_TRUE(ProcessUntil([&] { return !text.isEmpty(); }));
  EXPECT_EQ(text, "Failed to create GPS Parser!");
  EXPECT_TRUE(paintedFirst);
  EXPECT_GE(okHeight, 44);
  EXPECT_EQ(f.ViewWidget().View().Receiver(), nullptr);
  QImage picture = Grab();
  EXPECT_EQ(picture.pixelColor(100, 2), QColor(180, 180, 180));  // the canvas, scaled
  for (const char* caption : {"Exit", "Settings", "Navigator", "Minimize"})
    EXPECT_TRUE(Button(caption)->isVisible());
  EXPECT_EQ(Button("Exit")->geometry(), QRect(8, 422, 50, 50));  // 800 x 480: a scale of 1.25
}

TEST_F(WindowTest, ButtonsSendTheirCommands) {
  AppSettings settings = LoadAppSettings();
  settings.navigationPath = home.Path() + "no-navigator";
  CMainFrame& f = Show(settings);
  // Navigator: the program is missing, so the view explains how to set it.
  QString text, caption;
  test::WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    text = box->text();
    caption = box->windowTitle();
    box->accept();
  });
  Button("Navigator")->click();
  EXPECT_EQ(text, "To set the Navigator:\nFrom Settings->Navigator->Browse.");
  EXPECT_EQ(caption, "Kivu");
  // Settings: the dialog runs; Cancel changes nothing.
  QString dialogTitle;
  test::WhenModal([&](QWidget* modal) {
    dialogTitle = modal->windowTitle();
    qobject_cast<QDialog*>(modal)->reject();
  });
  Button("Settings")->click();
  EXPECT_EQ(dialogTitle, "Settings");
  EXPECT_FALSE(test::FileExists(GetIniFilePath()));
  // Minimize hides the frame; Exit closes it and shuts the view down.
  Button("Minimize")->click();
  EXPECT_FALSE(f.isVisible());
  bool exited = false;
  f.ViewWidget().SetExitHandler([&] {
    exited = true;
    f.close();
  });
  Button("Exit")->click();
  EXPECT_TRUE(exited);
  EXPECT_EQ(f.ViewWidget().View().Receiver(), nullptr);
}

TEST_F(WindowTest, MinimizedDashboardKeepsLogging) {
  AppSettings settings = LoadAppSettings();
  settings.recordGpsMessages = 1;
  settings.recordTrack = 1;
  CMainFrame& f = Show(settings);
  Button("Minimize")->click();
  ASSERT_FALSE(f.isVisible());
  for (int s = 1; s <= 3; ++s) {
    pty.Write(Burst(s));
    ASSERT_TRUE(ProcessUntil([&] { return f.ViewWidget().View().CurrentFix().utcTime.second == s; }));
  }
  // Both record files grew while the frame was hidden: three blocks logged, two track lines.
  std::string record = settings.recordFolder;
  size_t logBytes = 0, trackLines = 0;
  for (const auto& entry : std::filesystem::directory_iterator(record)) {
    std::string content = test::ReadFile(entry.path());
    if (entry.path().filename().string().rfind("gps", 0) == 0) logBytes = content.size();
    if (entry.path().filename().string().rfind("track", 0) == 0 && entry.path().extension() == ".txt")
      trackLines = static_cast<size_t>(std::count(content.begin(), content.end(), '\n'));
  }
  EXPECT_EQ(logBytes, 3 * Burst(1).size());
  EXPECT_EQ(trackLines, 2u);
}

TEST_F(WindowTest, ClosingWhileTheReaderWaitsInTheHandOffIsPromptAndLosesNoLine) {
  AppSettings settings = LoadAppSettings();
  settings.recordTrack = 1;
  CMainFrame& f = Show(settings);
  pty.Write(Burst(1));
  ASSERT_TRUE(ProcessUntil([&] { return f.ViewWidget().View().CurrentFix().utcTime.second == 1; }));
  pty.Write(Burst(2));
  ASSERT_TRUE(ProcessUntil([&] { return f.ViewWidget().View().Trip().StatsStarted(); }));
  // The next burst reaches the reader, which then waits for this thread; this thread closes instead.
  // The event loop does not turn here, so the reader's hand-off stays undelivered.
  pty.Write(Burst(3));
  pollfd handOff{f.ViewWidget().FixWaitingFd(), POLLIN, 0};
  ASSERT_EQ(poll(&handOff, 1, 5000), 1);
  ASSERT_EQ(f.ViewWidget().View().Receiver()->ReadCount(), 3u);
  // A close that waited for the reader would never return: the reader waits for this thread.
  f.close();
  EXPECT_EQ(f.ViewWidget().View().Receiver(), nullptr);
  // The fix handled before the close has its whole line in the track file.
  std::string track;
  for (const auto& entry : std::filesystem::directory_iterator(settings.recordFolder))
    if (entry.path().filename().string().rfind("track", 0) == 0 && entry.path().extension() == ".txt")
      track = test::ReadFile(entry.path());
  EXPECT_EQ(std::count(track.begin(), track.end(), '\n'), 1);
  EXPECT_EQ(track.substr(track.size() - 2), "\r\n");
  f.close();  // a second way out does nothing more
}

TEST_F(WindowTest, TheLayoutFollowsEveryResizeAcrossLandscapeAndPortrait) {
  CMainFrame& f = Show(LoadAppSettings());
  KivuViewWidget& view = f.ViewWidget();
  // Client size -> the strip's side and the buttons' size: a column on the left when that leaves the
  // dashboard larger, else a row at the bottom; buttons as large as the dashboard's scale makes them.
  struct {
    int width, height;
    bool wide;
    int button;
  } sizes[] = {{480, 800, false, 43}, {800, 480, true, 50},  {640, 480, false, 45},
               {618, 384, true, 40},  {1280, 400, true, 42}, {572, 430, false, 40}};
  auto geometry = [](const Rect& r) {
    return QRect(r.left, r.top, static_cast<int>(r.Width()), static_cast<int>(r.Height()));
  };
  for (const auto& s : sizes) {
    f.resize(s.width, s.height);
    ASSERT_TRUE(ProcessUntil([&] { return view.size() == QSize(s.width, s.height); }));
    const ViewLayout& layout = view.View().Layout();
    EXPECT_EQ(layout.wideLayout, s.wide) << s.width << "x" << s.height;
    EXPECT_EQ(Button("Exit")->geometry(), geometry(layout.buttonRects[0])) << s.width << "x" << s.height;
    EXPECT_EQ(Button("Minimize")->geometry(), geometry(layout.buttonRects[3])) << s.width << "x" << s.height;
    EXPECT_EQ(Button("Exit")->width(), s.button) << s.width << "x" << s.height;
    // The Exit button stands as far from the bottom as from the left edge.
    EXPECT_EQ(Button("Exit")->geometry().bottom() + 1, s.height - layout.buttonRects[0].left);
    // The picture follows: the light blinks where the new layout puts it, inside the strip.
    QImage picture = Grab();
    const Rect& l = layout.lightRect;
    QColor lit = picture.pixelColor(QPoint((l.left + l.right) / 2, (l.top + l.bottom) / 2));
    EXPECT_TRUE(lit == QColor(0, 127, 0) || lit == QColor(0, 255, 0)) << s.width << "x" << s.height;
    EXPECT_TRUE(layout.strip.Contains(Point{l.left, l.top}));
  }
}

// Also run on a screen of two pixels to a window's one (QT_SCALE_FACTOR=2): the dashboard is laid out
// and drawn in the screen's own pixels and shown one for one, not drawn at the window's size and
// magnified; the buttons stand where the layout puts them, in the window's pixels.
TEST_F(WindowTest, TheDashboardIsDrawnInTheScreensOwnPixels) {
  CMainFrame& f = Show(LoadAppSettings());
  KivuViewWidget& view = f.ViewWidget();
  const double ratio = view.devicePixelRatioF();
  const Size client = view.ClientSize();
  EXPECT_EQ(client.width, std::lround(800 * ratio));
  EXPECT_EQ(client.height, std::lround(480 * ratio));
  const ViewLayout& layout = view.View().Layout();
  EXPECT_EQ(layout.area.right, client.width);
  const Rect& exit = layout.buttonRects[0];
  EXPECT_EQ(Button("Exit")->geometry(),
            QRect(std::lround(exit.left / ratio), std::lround(exit.top / ratio),
                  std::lround(exit.Width() / ratio), std::lround(exit.Height() / ratio)));
  const QImage shown = Grab();
  ASSERT_EQ(shown.width(), client.width);
  const Bitmap* image = view.View().PaintWindowImage();  // unchanged figures: the same dashboard
  ASSERT_NE(image, nullptr);
  int differing = 0;
  for (int y = layout.area.top; y < layout.area.bottom; ++y)
    for (int x = layout.area.left; x < layout.area.right; ++x)
      differing += (shown.pixel(x, y) & 0xFFFFFFu) != (image->PixelAt(x, y) & 0xFFFFFFu);
  EXPECT_EQ(differing, 0) << "at a ratio of " << ratio;
}

TEST_F(WindowTest, EveryKeyDoesWhatItsButtonDoesAndTabShowsWhereTheFocusIs) {
  AppSettings settings = LoadAppSettings();
  settings.navigationPath = home.Path() + "no-navigator";
  CMainFrame& f = Show(settings);
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  int exits = 0;
  f.ViewWidget().SetExitHandler([&] { ++exits; });
  // Keys go to the active window, where the focus is, as a keyboard's do.
  auto activate = [&] {
    if (f.isActiveWindow()) return;
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  };
  auto press = [&](QKeyCombination key) {
    activate();
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : &f, key.key(), key.keyboardModifiers());
  };
  auto titleOfTheModal = [&](QKeyCombination key) {
    QString title;
    activate();
    test::WhenModal([&](QWidget* modal) {
      title = modal->windowTitle();
      qobject_cast<QDialog*>(modal)->reject();
    });
    press(key);
    return title;
  };
  // Tab goes from button to button; the one in focus wears a yellow frame, and Space presses it.
  activate();
  f.ViewWidget().setFocus();
  auto framed = [&](const char* caption) {
    return Button(caption)->grab().toImage().pixelColor(1, 20) == QColor(255, 255, 0);
  };
  EXPECT_FALSE(framed("Exit"));
  for (const char* caption : {"Exit", "Settings", "Navigator", "Minimize"}) {
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Button(caption));
    EXPECT_TRUE(framed(caption)) << caption;
  }
  EXPECT_FALSE(framed("Exit"));
  press(Qt::SHIFT | Qt::Key_Backtab);
  press(Qt::SHIFT | Qt::Key_Backtab);
  ASSERT_EQ(QApplication::focusWidget(), Button("Settings"));
  EXPECT_EQ(titleOfTheModal(Qt::Key_Space), "Settings");
  EXPECT_EQ(titleOfTheModal(Qt::Key_S), "Settings");
  EXPECT_EQ(titleOfTheModal(Qt::Key_N), "Kivu");  // the navigator's help: no such program
  press(Qt::Key_M);
  EXPECT_FALSE(f.isVisible());  // no window manager here to minimise to
  f.ShowAndRaise();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  press(Qt::Key_F11);
  QRect screen = f.screen()->geometry();
  ASSERT_TRUE(ProcessUntil([&] { return f.isFullScreen() && f.ViewWidget().geometry() == screen; }));
  // In the screen's bottom left corner, as far from the bottom as from the left.
  EXPECT_EQ(Button("Exit")->x() + Button("Exit")->geometry().bottom() + 1, screen.height());
  press(Qt::Key_F11);
  EXPECT_FALSE(f.isFullScreen());
  press(Qt::Key_D);
  EXPECT_EQ(f.ViewWidget().View().Settings().displayMode, kDisplayDay);
  press(Qt::Key_H);
  EXPECT_TRUE(f.ViewWidget().View().HeadUp());
  for (QKeyCombination exit : {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::Key_Q),
                               QKeyCombination(Qt::ControlModifier, Qt::Key_Q)})
    press(exit);
  EXPECT_EQ(exits, 3);
}

TEST(Splash, ShowsCentredAboveEverythingAndClosesItself) {
  QWidget main;
  main.resize(200, 100);
  main.show();
  CSplashWnd splash(169, 50);
  splash.SetMainWindow(&main);
  splash.show();
  EXPECT_EQ(splash.size(), QSize(350, 200));
  QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(splash.geometry().center(), screen.center());
  EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(ProcessUntil([&] { return !splash.isVisible(); }, 3000));

  // A tap closes it long before its time.
  CSplashWnd tapped(169, 60000);
  tapped.show();
  QTest::mouseClick(&tapped, Qt::LeftButton, {}, QPoint(175, 100));
  EXPECT_FALSE(tapped.isVisible());
}

}  // namespace
}  // namespace kivu

namespace kivu {
namespace {

TEST_F(WindowTest, NewUserSetsUpImperialUnitsRecordingAndTheNavigator) {
  // A navigation program of the user's, and a settings file that points next to it.
  std::filesystem::create_directories(home.Path() + "bin");
  std::string program = home.Path() + "bin/navigator";
  std::string mark = home.Path() + "navigator-ran";
  test::WriteFile(program, "#!/bin/sh\ntouch '" + mark + "'\n");
  chmod(program.c_str(), 0755);
  test::WriteFile(home.Path() + "Kivu.ini", "[Settings]\nNAVIGATION_PATH = " + home.Path() + "bin/old\n");

  CMainFrame& f = Show(LoadAppSettings());
  CKivuView& view = f.ViewWidget().View();
  pty.Write(Burst(1));
  ASSERT_TRUE(ProcessUntil([&] { return view.CurrentFix().utcTime.second == 1; }));
  pty.Write(Burst(2));
  ASSERT_TRUE(ProcessUntil([&] { return view.Trip().StatsStarted(); }));
  EXPECT_EQ(view.Stats().speedInt, 111);  // 60 knots in km/h

  // Settings: Imperial, browse to the program, both recordings, OK.
  std::string browsedFrom;
  test::WhenModal([&](QWidget* settings) {
    test::Find<QComboBox>(settings, "1000")->setCurrentIndex(1);
    test::WhenModal([&](QWidget* browse) {
      browsedFrom = test::Find<QLabel>(browse, "1011")->text().toStdString();
      test::DoubleClick(test::Find<QListWidget>(browse, "1007"), "navigator");
    });
    test::Find<QPushButton>(settings, "1006")->click();
    test::Find<QCheckBox>(settings, "1007")->click();
    test::Find<QCheckBox>(settings, "1008")->click();
    test::Find<QPushButton>(settings, "1")->click();
  });
  Button("Settings")->click();
  EXPECT_EQ(browsedFrom, home.Path() + "bin");

  // The next fix shows imperial figures; both record files grow.
  pty.Write(Burst(3));
  ASSERT_TRUE(ProcessUntil([&] { return view.CurrentFix().utcTime.second == 3; }));
  EXPECT_EQ(view.Stats().speedInt, 69);  // 60 knots in mph
  std::string log, track;
  for (const auto& entry : std::filesystem::directory_iterator(home.Path() + "KivuRecord")) {
    std::string name = entry.path().filename().string();
    if (name.rfind("gps", 0) == 0) log = test::ReadFile(entry.path());
    if (name.rfind("track", 0) == 0 && entry.path().extension() == ".txt")
      track = test::ReadFile(entry.path());
  }
  EXPECT_EQ(log, Burst(3));
  EXPECT_EQ(std::count(track.begin(), track.end(), '\n'), 1);

  // The Navigator button starts the program.
  Button("Navigator")->click();
  EXPECT_TRUE(ProcessUntil([&] { return test::FileExists(mark); }));

  // After a restart the choices are still there.
  f.close();
  frame.reset();
  AppSettings again = LoadAppSettings();
  EXPECT_EQ(again.unitSelection, 1);
  EXPECT_EQ(again.recordGpsMessages, 1);
  EXPECT_EQ(again.recordTrack, 1);
  EXPECT_EQ(again.navigationPath, program);
}

}  // namespace
}  // namespace kivu

#include "app/KivuApp.h"

namespace kivu {
namespace {

TEST(OneCopy, ASecondStartBringsBackTheHiddenFirstAndEnds) {
  test::TempDir home, runtime;
  chmod(runtime.Path().c_str(), 0700);
  setenv("KIVU_HOME", home.Path().c_str(), 1);
  setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
  test::PseudoTerminal pty;
  KivuOptions options;
  options.ports = {pty.SlavePath()};

  auto first = std::make_unique<CKivuApp>();
  int status = -1;
  ASSERT_TRUE(first->InitInstance(options, status));
  EXPECT_EQ(status, 0);
  ASSERT_TRUE(ProcessUntil([&] { return first->MainFrame()->ViewWidget().IsCreated(); }));
  first->MainFrame()->ViewWidget().OnCommand(kCommandMinimize);
  ASSERT_FALSE(first->MainFrame()->isVisible());

  // The second copy hands over and ends at once, without a splash or a window of its own.
  CKivuApp second;
  EXPECT_FALSE(second.InitInstance(options, status));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(second.Splash(), nullptr);
  EXPECT_EQ(second.MainFrame(), nullptr);
  EXPECT_TRUE(ProcessUntil([&] { return first->MainFrame()->isVisible(); }));

  first->MainFrame()->close();
  first->ExitInstance();
  first.reset();
  unsetenv("XDG_RUNTIME_DIR");
  unsetenv("KIVU_HOME");
  unsetenv("KIVU_PORTS");
}

}  // namespace
}  // namespace kivu
