#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "app/CommandLine.h"
#include "app/DisplayPlatform.h"
#include "app/OptionTable.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

TEST(KivuCommandLine, OptionsTakeValuesInEitherForm) {
  KivuOptions o;
  std::string error;
  ASSERT_TRUE(ParseKivuOptions(
      {"--port", "/dev/ttyUSB1", "--port=/dev/rfcomm0", "--home=/srv/kivu", "--fullscreen", "--hud"}, o,
      error))
      << error;
  EXPECT_EQ(o.ports, (std::vector<std::string>{"/dev/ttyUSB1", "/dev/rfcomm0"}));
  EXPECT_EQ(o.home, "/srv/kivu");
  EXPECT_TRUE(o.fullscreen);
  EXPECT_TRUE(o.hud);
  EXPECT_FALSE(o.demo);
  ASSERT_TRUE(ParseKivuOptions({"--replay", "drive.nmea"}, o, error));
  EXPECT_EQ(o.replay, "drive.nmea");
  EXPECT_TRUE(o.ports.empty());  // a parse starts afresh
  EXPECT_FALSE(o.hud);
  ASSERT_TRUE(ParseKivuOptions({}, o, error));
}

TEST(KivuCommandLine, BadArgumentsGiveOneLineErrors) {
  KivuOptions o;
  std::string error;
  struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {{{"--frobnicate"}, "unknown option '--frobnicate'"},
               {{"--port"}, "needs a value"},
               {{"--port="}, "not empty"},
               {{"--demo=yes"}, "unknown option"},
               {{"drive.nmea"}, "unknown option 'drive.nmea'"},
               {{"--demo", "--replay", "x"}, "cannot be used together"},
               {{"--bad\nline"}, "'--bad\\x0aline'"},
               {{"--window=16385x480"}, "WIDTHxHEIGHT"},
               {{"--window", "800x480", "--fullscreen"}, "cannot be used together"}};
  for (const auto& c : cases) {
    EXPECT_FALSE(ParseKivuOptions(c.args, o, error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

// kivu's --window and kivu-replay's --size read a size by this one rule; only the largest side differs.
TEST(SizeOption, IsDigitsOnlyWithEachSideFromOneToTheLargest) {
  int width = 0, height = 0;
  ASSERT_TRUE(ParseSize("8192x0480", 8192, width, height));
  EXPECT_EQ(std::pair(width, height), std::pair(8192, 480));
  for (const char* bad :
       {"", "800", "800x", "x480", "0x480", "800x0", "8193x480", "800x8193", "800*480", "800X480", "-5x5",
        "+5x5", " 800x480", "800x480 ", "800x480x2", "99999999999999999999x480"})
    EXPECT_FALSE(ParseSize(bad, 8192, width, height)) << bad;
}

TEST(KivuCommandLine, HelpNamesEveryOption) {
  std::string usage = KivuUsage();
  for (const char* option : {"--port", "--home", "--fullscreen", "--window WxH", "--hud", "--replay",
                             "--demo", "--help", "--version"})
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  for (const char* key : {"Esc", "q", "Ctrl+Q", "F11", "s Settings", "n Navigator", "m Minimize",
                          "d the next palette", "h the head-up", "w silences", "Tab"})
    EXPECT_NE(usage.find(key), std::string::npos) << key;
}

TEST(KivuCommandLine, TheScreenIsFilledWhereNoWindowManagerRunsOrOnACarsScreenElseMaximised) {
  KivuOptions none, window, full;
  std::string error;
  ASSERT_TRUE(ParseKivuOptions({"--window", "1024x600"}, window, error)) << error;
  EXPECT_EQ(window.windowWidth, 1024);
  EXPECT_EQ(window.windowHeight, 600);
  ASSERT_TRUE(ParseKivuOptions({"--fullscreen"}, full, error));
  // Car screens either way round, and one a little larger than the largest of them.
  EXPECT_TRUE(IsCarSizedScreen(800, 480));
  EXPECT_TRUE(IsCarSizedScreen(480, 800));
  EXPECT_TRUE(IsCarSizedScreen(1280, 800));
  EXPECT_TRUE(IsCarSizedScreen(800, 1280));
  EXPECT_FALSE(IsCarSizedScreen(1280, 801));
  EXPECT_FALSE(IsCarSizedScreen(1366, 768));
  EXPECT_EQ(ChooseWindowMode(none, false, 1920, 1080), WindowMode::FullScreen);
  EXPECT_EQ(ChooseWindowMode(none, true, 800, 480), WindowMode::FullScreen);
  EXPECT_EQ(ChooseWindowMode(none, true, 1920, 1080), WindowMode::Maximized);
  EXPECT_EQ(ChooseWindowMode(window, false, 800, 480), WindowMode::Window);
  EXPECT_EQ(ChooseWindowMode(full, true, 1920, 1080), WindowMode::FullScreen);
}

TEST(KivuDisplay, AConsoleWithAFramebufferOrDrmDeviceStartsOnItElseThereIsNoDisplay) {
  test::TempDir bare, framebuffer, drm, notADevice;
  std::ofstream(framebuffer / "fb0");
  ASSERT_EQ(mkdir((drm / "dri").c_str(), 0755), 0);
  std::ofstream(drm / "dri/card1");
  std::ofstream(notADevice / "fbcon");  // a console driver's name, no framebuffer
  ASSERT_EQ(mkdir((notADevice / "dri").c_str(), 0755), 0);
  std::ofstream(notADevice / "dri/renderD128");  // a render node shows nothing
  struct {
    const char *platform, *display, *wayland;
    const std::string& devices;
    bool ok;
    const char* chosen;
  } cases[] = {
      {nullptr, ":0", nullptr, bare.Path(), true, ""},
      {nullptr, nullptr, "wayland-0", bare.Path(), true, "wayland;xcb"},
      {nullptr, ":0", "wayland-0", bare.Path(), true, "wayland;xcb"},
      {"xcb", ":0", "wayland-0", bare.Path(), true, ""},
      {"offscreen", nullptr, nullptr, bare.Path(), true, ""},
      {nullptr, nullptr, nullptr, framebuffer.Path(), true, "linuxfb"},
      {nullptr, "", "", drm.Path(), true, "eglfs"},
      {nullptr, nullptr, nullptr, bare.Path(), false, ""},
      {nullptr, nullptr, nullptr, notADevice.Path(), false, ""},
      {"linuxfb:fb=/dev/fb1", nullptr, nullptr, bare.Path(), false, ""},
      {"eglfs", ":0", nullptr, notADevice.Path(), false, ""},
      {"eglfs", nullptr, nullptr, drm.Path(), true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.platform ? c.platform : "-") + " " + c.devices);
    const DisplayChoice choice = ChooseDisplayPlatform(c.platform, c.display, c.wayland, c.devices);
    EXPECT_EQ(choice.ok, c.ok);
    EXPECT_EQ(choice.platform, c.chosen);
    EXPECT_EQ(choice.problem.empty(), c.ok);
  }
  EXPECT_EQ(ChooseDisplayPlatform("linuxfb", nullptr, nullptr, bare.Path()).problem,
            "QT_QPA_PLATFORM is linuxfb but there is no framebuffer or DRM device");
}

}  // namespace
}  // namespace kivu
