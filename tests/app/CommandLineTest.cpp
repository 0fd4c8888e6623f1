#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace kivu {
namespace {

bool Parse(std::vector<std::string> args, KivuOptions& options, std::string& error) {
  return ParseKivuOptions(args, options, error);
}

TEST(KivuCommandLine, OptionsTakeValuesInEitherForm) {
  KivuOptions o;
  std::string error;
  ASSERT_TRUE(
      Parse({"--port", "/dev/ttyUSB1", "--port=/dev/rfcomm0", "--home=/srv/kivu", "--fullscreen"}, o, error))
      << error;
  EXPECT_EQ(o.ports, (std::vector<std::string>{"/dev/ttyUSB1", "/dev/rfcomm0"}));
  EXPECT_EQ(o.home, "/srv/kivu");
  EXPECT_TRUE(o.fullscreen);
  EXPECT_FALSE(o.demo);
  ASSERT_TRUE(Parse({"--replay", "drive.nmea"}, o, error));
  EXPECT_EQ(o.replay, "drive.nmea");
  EXPECT_TRUE(o.ports.empty());  // a parse starts afresh
  ASSERT_TRUE(Parse({}, o, error));
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
               {{"--window", "800"}, "WIDTHxHEIGHT"},
               {{"--window=0x480"}, "WIDTHxHEIGHT"},
               {{"--window", "800x-480"}, "WIDTHxHEIGHT"},
               {{"--window", "99999x480"}, "WIDTHxHEIGHT"},
               {{"--window", "800x480", "--fullscreen"}, "cannot be used together"}};
  for (const auto& c : cases) {
    EXPECT_FALSE(Parse(c.args, o, error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(KivuCommandLine, HelpNamesEveryOption) {
  std::string usage = KivuUsage();
  for (const char* option :
       {"--port", "--home", "--fullscreen", "--window WxH", "--replay", "--demo", "--help", "--version"})
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  for (const char* key : {"Esc", "q", "Ctrl+Q", "F11", "s Settings", "n Navigator", "m Minimize", "Tab"})
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

}  // namespace
}  // namespace kivu
