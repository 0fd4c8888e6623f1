// A minimised dashboard on a real X11 screen (the one KIVU_TEST_SCREEN names, as for the other screen
// tests) comes back with the size and state it had, as the X server and the window manager see it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/KivuApp.h"
#include "app/WindowSystem.h"
#include "app/X11Window.h"
#include "support/QtTestSupport.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using test::ProcessUntil;
using test::ReadX11Shown;
using test::X11Shown;

std::string Describe(const X11Shown& shown) {
  char text[128];
  std::snprintf(text, sizeof text, "%d,%d %dx%d%s WM_STATE %u%s%s", shown.geometry.x(), shown.geometry.y(),
                shown.geometry.width(), shown.geometry.height(), shown.viewable ? "" : " unmapped",
                shown.wmState, shown.maximized ? " maximised" : "", shown.fullScreen ? " full screen" : "");
  return text;
}

const char* Named(WindowMode mode) {
  return mode == WindowMode::FullScreen  ? "full screen"
         : mode == WindowMode::Maximized ? "maximised"
                                         : "window";
}

// Kivu started as a user starts it, in a runtime folder and a home of its own, with a receiver.
class Restore : public ::testing::Test {
 protected:
  void SetUp() override {
    chmod(runtime.Path().c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    setenv("KIVU_HOME", home.Path().c_str(), 1);
    options.ports = {pty.SlavePath()};
  }
  void TearDown() override {
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("KIVU_HOME");
  }

  test::TempDir runtime;
  test::TempDir home;
  test::PseudoTerminal pty;
  KivuOptions options;
};

TEST_F(Restore, AMinimisedDashboardComesBackAsItWasFromASecondStartAndFromTheTaskbar) {
  CKivuApp app;
  int status = -1;
  ASSERT_TRUE(app.InitInstance(options, status));
  CMainFrame& frame = *app.MainFrame();
  const auto window = static_cast<xcb_window_t>(frame.winId());
  const xcb_window_t root = test::X11Root();
  const bool windowManager = HasWindowManager();
  const QRect screen = frame.screen()->geometry();
  // The way kivu shows itself on this screen first, then the others a user can ask for.
  const WindowMode chosen = ChooseWindowMode(options, windowManager, screen.width(), screen.height());
  std::vector<WindowMode> modes = {chosen, WindowMode::Window};
  if (chosen != WindowMode::FullScreen) modes.insert(modes.begin() + 1, WindowMode::FullScreen);
  const QSize windowSize = QSize(1000, 600).boundedTo(screen.size() * 3 / 4);
  for (WindowMode mode : modes) {
    SCOPED_TRACE(Named(mode));
    if (mode != chosen) ShowInMode(frame, mode, windowSize.width(), windowSize.height());
    auto placed = [&](const X11Shown& shown) {
      switch (mode) {
        case WindowMode::FullScreen:
          return shown.geometry == screen && (!windowManager || shown.fullScreen);
        case WindowMode::Maximized:
          return shown.maximized && shown.geometry.width() == screen.width() &&
                 screen.contains(shown.geometry);
        case WindowMode::Window:
          return shown.geometry.size() == windowSize &&
                 (!windowManager || (!shown.fullScreen && !shown.maximized));
      }
      return false;
    };
    // In front and active, too: an activation still on its way would bring a minimised window back.
    auto active = [&] {
      std::vector<uint32_t> activeWindow = test::X11Property(root, "_NET_ACTIVE_WINDOW");
      return !windowManager || (!activeWindow.empty() && activeWindow[0] == window && frame.isActiveWindow());
    };
    // Qt too: its window state follows the window manager's answer a moment later (without one, Qt
    // keeps the state it asked for, which nobody answers).
    auto qtAgrees = [&] {
      if (!windowManager) return true;
      const Qt::WindowStates qt = frame.windowHandle()->windowStates();
      return qt.testFlag(Qt::WindowFullScreen) == (mode == WindowMode::FullScreen) &&
             qt.testFlag(Qt::WindowMaximized) == (mode == WindowMode::Maximized);
    };
    ASSERT_TRUE(ProcessUntil([&] {
      X11Shown shown = ReadX11Shown(window);
      return shown.viewable && placed(shown) && (!windowManager || shown.wmState == test::kX11NormalState) &&
             active() && qtAgrees();
    })) << Describe(ReadX11Shown(window));
    const X11Shown before = ReadX11Shown(window);
    const Qt::WindowStates states = frame.windowHandle()->windowStates();
    // Back means: where it was, as it was, and Qt knows it too, so that the next round starts right.
    auto backAsBefore = [&] {
      return ProcessUntil([&] {
        return ReadX11Shown(window) == before && frame.windowHandle()->windowStates() == states &&
               (frame.windowState() & ~Qt::WindowActive) == states && active();
      });
    };
    // A second start, the taskbar, and a second start again after the taskbar brought it back.
    for (int round = 0; round < 3; ++round) {
      frame.ViewWidget().OnCommand(kCommandMinimize);
      ASSERT_TRUE(ProcessUntil([&] {
        X11Shown shown = ReadX11Shown(window);
        return windowManager ? shown.wmState == test::kX11IconicState : !shown.viewable;
      })) << round
          << ": " << Describe(ReadX11Shown(window));
      if (round == 1 && windowManager) {
        test::ActivateAsTaskbar(window);
      } else {
        CKivuApp second;
        int code = -1;
        EXPECT_FALSE(second.InitInstance(options, code));
        EXPECT_EQ(code, 0);
      }
      EXPECT_TRUE(backAsBefore()) << round << ": " << Describe(ReadX11Shown(window)) << " (Qt "
                                  << frame.windowState() << (active() ? "" : ", not active") << ") and not "
                                  << Describe(before);
    }
  }
  frame.close();
  app.ExitInstance();
}

}  // namespace
}  // namespace kivu
