// The kivu program on real Wayland compositors, started as child processes: sway headless as a desktop
// (an opaque window over a blue desktop, Esc in Settings, a second start bringing the first to the front)
// and cage headless as the kiosk of kivu-cage.service. Screens through grim, keys through wtype. sway
// refuses to run as root: run as root, these tests skip.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/Compositor.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using namespace std::chrono_literals;
using test::Child;
using test::Compositor;
using test::EnvChanges;

// What every test's sway has: the desktop's blue, no borders, and a window that asks to be activated
// with a valid token gets the focus, as GNOME and KDE give it.
constexpr char kSwayConfig[] =
    "output * bg #0000ff solid_color\n"
    "default_border none\n"
    "default_floating_border none\n"
    "focus_on_window_activation focus\n";
constexpr unsigned kDesktopBlue = 0x0000FF;
constexpr unsigned kStripGrey = 0xB4B4B4;  // (180, 180, 180), the button strip's

// A window in sway's tree.
struct SwayWindow {
  qint64 pid = 0;
  std::string name;
  bool focused = false;
  bool visible = false;
  bool fullScreen = false;
  QRect rect;
};

void CollectWindows(const QJsonObject& node, std::vector<SwayWindow>& into) {
  if (node.contains("pid")) {
    const QJsonObject r = node["rect"].toObject();
    into.push_back({node["pid"].toInteger(), node["name"].toString().toStdString(), node["focused"].toBool(),
                    node["visible"].toBool(), node["fullscreen_mode"].toInt() != 0,
                    QRect(r["x"].toInt(), r["y"].toInt(), r["width"].toInt(), r["height"].toInt())});
  }
  for (const char* list : {"nodes", "floating_nodes"})
    for (const auto& child : node[list].toArray())
      CollectWindows(child.toObject(), into);
}

std::vector<SwayWindow> Windows(Compositor& sway) {
  std::vector<SwayWindow> windows;
  const std::string tree = sway.Tree();
  CollectWindows(QJsonDocument::fromJson(QByteArray::fromStdString(tree)).object(), windows);
  return windows;
}

// The main frame of the kivu with that process id (its largest window: the splash and dialogs are
// smaller), if it has one on the screen.
std::optional<SwayWindow> Frame(Compositor& sway, pid_t pid) {
  std::optional<SwayWindow> frame;
  for (const SwayWindow& w : Windows(sway))
    if (w.pid == pid && w.name == "Kivu" &&
        (!frame || w.rect.width() * w.rect.height() > frame->rect.width() * frame->rect.height()))
      frame = w;
  return frame;
}

std::optional<SwayWindow> Named(Compositor& sway, const std::string& name) {
  for (const SwayWindow& w : Windows(sway))
    if (w.name == name) return w;
  return std::nullopt;
}

// How many pixels of the rectangle are exactly colour.
int CountColour(const test::Screenshot& shot, const QRect& rect, unsigned colour) {
  int count = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      if (shot.Holds(x, y) && shot.Pixel(x, y) == colour) ++count;
  return count;
}

class Wayland : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() == 0)
      GTEST_SKIP() << "sway does not run as root; the test command runs these tests as nobody";
  }

  // kivu on a compositor (clientEnv), with a home and a receiver of its own.
  std::unique_ptr<Child> StartKivu(const EnvChanges& clientEnv, const test::TempDir& home,
                                   const test::PseudoTerminal& port, std::vector<std::string> args = {}) {
    EnvChanges env = clientEnv;
    env.insert(
        {{"QT_QPA_PLATFORM", std::nullopt},  // kivu chooses Wayland itself
         {"KIVU_HOME", home.Path()},
         {"KIVU_PORTS", std::nullopt},
         {"KIVU_TIMING", "1"},
         {"XDG_ACTIVATION_TOKEN", std::nullopt},
         {"LSAN_OPTIONS", "suppressions=" + test::SourcePath("tests/lsan.supp") + ":print_suppressions=0"}});
    args.insert(args.begin(), {KIVU_PROGRAM, "--port", port.SlavePath()});
    return std::make_unique<Child>(args, env);
  }
  static bool WaitForFirstPaint(Child& kivu) {
    return kivu.WaitUntil([&] { return kivu.Err().find("first dashboard paint") != std::string::npos; }, 20s);
  }

  test::TempDir home;
  test::PseudoTerminal port;
};

TEST_F(Wayland, TheWindowIsOpaqueOverABlueDesktop) {
  Compositor sway = Compositor::Sway(
      1600, 900, std::string(kSwayConfig) + "for_window [app_id=\"kivu\"] floating enable\n");
  ASSERT_TRUE(sway.Ready()) << sway.Error();
  auto kivu = StartKivu(sway.ClientEnv(), home, port, {"--window", "800x480"});
  ASSERT_TRUE(WaitForFirstPaint(*kivu)) << kivu->Err();
  std::optional<SwayWindow> frame;
  std::optional<test::Screenshot> shot;
  // The dashboard is on the screen once its strip shows in the window's bottom-left corner.
  ASSERT_TRUE(sway.Eventually(
      [&] {
        frame = Frame(sway, kivu->Pid());
        if (!frame || !(shot = sway.Grab())) return false;
        const QPoint corner = frame->rect.bottomLeft() + QPoint(2, -2);
        return shot->Holds(corner.x(), corner.y()) &&
               (shot->Pixel(corner.x(), corner.y()) & 0xFFFF00) == (kStripGrey & 0xFFFF00);
      },
      15s))
      << kivu->Err();
  EXPECT_FALSE(frame->fullScreen);
  EXPECT_EQ(frame->rect.size(), QSize(800, 480));
  const int inside = CountColour(*shot, frame->rect, kDesktopBlue);
  const int all = CountColour(*shot, QRect(0, 0, shot->width, shot->height), kDesktopBlue);
  const int outsideArea = shot->width * shot->height - frame->rect.width() * frame->rect.height();
  std::printf("desktop blue: %.1f%% of the window, %.1f%% around it\n",
              100.0 * inside / (frame->rect.width() * frame->rect.height()),
              100.0 * (all - inside) / outsideArea);
  EXPECT_EQ(inside, 0) << "pixels of the window that show the desktop's blue";
  EXPECT_GT(all - inside, outsideArea * 9 / 10) << "the desktop around the window is blue";
}

TEST_F(Wayland, OnACarSizedOutputEscClosesTheSettingsOpenedWhileTheSplashWasUp) {
  Compositor sway = Compositor::Sway(800, 480, kSwayConfig);
  ASSERT_TRUE(sway.Ready()) << sway.Error();
  ASSERT_TRUE(sway.HoldKeyboard());
  auto kivu = StartKivu(sway.ClientEnv(), home, port);
  std::optional<SwayWindow> frame;
  ASSERT_TRUE(sway.Eventually(
      [&] {
        frame = Frame(sway, kivu->Pid());
        return frame && frame->focused && frame->fullScreen;
      },
      20s))
      << kivu->Err();
  EXPECT_EQ(frame->rect, QRect(0, 0, 800, 480));
  // Settings opens while the splash is still up; the splash then goes and hands the foreground on.
  ASSERT_TRUE(sway.Eventually([&] { return Windows(sway).size() == 2; }, 5s)) << "the splash is not up";
  ASSERT_TRUE(sway.Type({"s"}));
  ASSERT_TRUE(sway.Eventually(
      [&] {
        std::optional<SwayWindow> settings = Named(sway, "Settings");
        return settings && settings->focused;
      },
      10s))
      << kivu->Err();
  ASSERT_TRUE(sway.Eventually([&] { return Windows(sway).size() == 2; }, 15s)) << "the splash stays";
  ASSERT_TRUE(sway.Type({"-k", "Escape"}));
  EXPECT_TRUE(sway.Eventually([&] { return !Named(sway, "Settings"); }, 10s)) << "Esc left Settings open";
  EXPECT_TRUE(kivu->Running()) << kivu->Err();
}

TEST_F(Wayland, ASecondStartBringsTheFirstToTheFrontFromBehindAnotherWindowAndFromMinimize) {
  Compositor sway = Compositor::Sway(1600, 900, std::string(kSwayConfig) + "workspace_layout tabbed\n");
  ASSERT_TRUE(sway.Ready()) << sway.Error();
  ASSERT_TRUE(sway.HoldKeyboard());
  auto first = StartKivu(sway.ClientEnv(), home, port);
  auto frontAndShown = [&] {
    std::optional<SwayWindow> frame = Frame(sway, first->Pid());
    return frame && frame->focused && frame->visible;
  };
  ASSERT_TRUE(sway.Eventually(frontAndShown, 20s)) << first->Err();
  // Another window, a tab in front of the first: a kivu of another user's session on the same screen.
  test::TempDir otherHome, otherRuntime;
  test::PseudoTerminal otherPort;
  chmod(otherRuntime.Path().c_str(), 0700);
  auto other = StartKivu({{"XDG_RUNTIME_DIR", otherRuntime.Path()}, {"WAYLAND_DISPLAY", sway.SocketPath()}},
                         otherHome, otherPort);
  // Its splash gone, nothing of the other hands the foreground around any more.
  ASSERT_TRUE(sway.Eventually(
      [&] {
        std::optional<SwayWindow> front = Frame(sway, other->Pid());
        std::optional<SwayWindow> behind = Frame(sway, first->Pid());
        return front && front->focused && behind && !behind->visible && Windows(sway).size() == 2;
      },
      30s))
      << other->Err();
  auto startAgain = [&] {
    auto second = StartKivu(sway.ClientEnv(), home, port);
    EXPECT_TRUE(second->WaitForExit(10s));
    EXPECT_EQ(second->ExitStatus(), 0) << second->Err();
    EXPECT_EQ(second->Err().find("may stay behind"), std::string::npos) << second->Err();
  };
  startAgain();
  EXPECT_TRUE(sway.Eventually(frontAndShown, 10s)) << "still behind the other window";

  // Sway has no minimised state: Minimize hides the window, and a second start shows it again in front.
  ASSERT_TRUE(sway.Type({"m"}));
  ASSERT_TRUE(sway.Eventually([&] { return !Frame(sway, first->Pid()); }, 10s)) << "Minimize left it there";
  startAgain();
  EXPECT_TRUE(sway.Eventually(frontAndShown, 10s)) << "not back after Minimize";
  EXPECT_TRUE(first->Running()) << first->Err();
}

TEST_F(Wayland, TheCageKioskUnitShowsTheDashboardFullScreen) {
  // The unit's own command and environment, with the program just built and a home of the test's own.
  // The kiosk starts without its receiver: cage 0.1.4 on a headless output draws nothing more once a
  // window covering the output is in front (it tries to show that window's pixels directly, which the
  // headless output refuses), and draws again for a window that leaves some of it free: the message
  // that then comes over the dashboard.
  std::vector<std::string> command;
  EnvChanges env{
      {"KIVU_PORTS", home.Path() + "no-receiver"},
      {"KIVU_TIMING", "1"},
      {"LSAN_OPTIONS", "suppressions=" + test::SourcePath("tests/lsan.supp") + ":print_suppressions=0"},
      {"QT_QPA_PLATFORM", std::nullopt}};
  std::istringstream unit(test::ReadFile(test::SourcePath("res/kivu-cage.service.in")));
  for (std::string line; std::getline(unit, line);) {
    if (line.rfind("ExecStart=", 0) == 0) {
      std::istringstream words(line.substr(10));
      for (std::string word; words >> word;)
        command.push_back(word == "@KIVU_BIN_DIR@/kivu" ? KIVU_PROGRAM : word);
    } else if (line.rfind("Environment=", 0) == 0) {
      const std::string setting = line.substr(12);
      const std::string name = setting.substr(0, setting.find('='));
      env[name] = name == "KIVU_HOME" ? home.Path() : setting.substr(setting.find('=') + 1);
    }
  }
  ASSERT_FALSE(command.empty());
  EXPECT_EQ(env["QT_QPA_PLATFORM"], "wayland");
  Compositor cage = Compositor::Cage(command, env);
  ASSERT_TRUE(cage.Ready()) << cage.Error();
  Child& kiosk = cage.Process();
  ASSERT_TRUE(
      kiosk.WaitUntil([&] { return kiosk.Err().find("first dashboard paint") != std::string::npos; }, 20s))
      << kiosk.Err().substr(0, 2000);
  // Full screen: the dashboard's grey frame in every corner of the output, the strip down its left edge.
  std::optional<test::Screenshot> shot;
  EXPECT_TRUE(cage.Eventually(
      [&] {
        if (!(shot = cage.Grab())) return false;
        const int w = shot->width, h = shot->height;
        for (QPoint p :
             {QPoint(1, 1), QPoint(w - 2, 1), QPoint(1, h - 2), QPoint(w - 2, h - 2), QPoint(1, h / 2)})
          if (shot->Pixel(p.x(), p.y()) != kStripGrey) return false;
        return true;
      },
      15s))
      << cage.Error();
  // cage has no xdg-activation: a second start still hands over, and says why it may stay behind.
  auto second = StartKivu(cage.ClientEnv(), home, port);
  ASSERT_TRUE(second->WaitForExit(10s));
  EXPECT_EQ(second->ExitStatus(), 0) << second->Err();
  EXPECT_NE(second->Err().find("no xdg-activation"), std::string::npos) << second->Err();
  EXPECT_TRUE(kiosk.Running());
}

}  // namespace
}  // namespace kivu
