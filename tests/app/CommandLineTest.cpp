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
               {{"--bad\nline"}, "'--bad\\x0aline'"}};
  for (const auto& c : cases) {
    EXPECT_FALSE(Parse(c.args, o, error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(KivuCommandLine, HelpNamesEveryOption) {
  std::string usage = KivuUsage();
  for (const char* option : {"--port", "--home", "--fullscreen", "--replay", "--demo", "--help", "--version"})
    EXPECT_NE(usage.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace kivu
