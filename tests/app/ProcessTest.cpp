// The kivu program itself as a child process: its options, the one-copy rule between two real copies,
// the end on SIGTERM and SIGINT with the track file whole, and a replay reaching the track file.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "gps/NmeaTestUtil.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using namespace std::chrono_literals;

using test::EnvChanges;

// One run of kivu. A child still running when the object goes is killed and reaped, so that no kivu
// outlives its test.
class KivuProcess : public test::Child {
 public:
  KivuProcess(const std::vector<std::string>& args, const EnvChanges& env) : Child(WithProgram(args), env) {
    if (!Started()) throw std::runtime_error(Err());
  }

 private:
  static std::vector<std::string> WithProgram(const std::vector<std::string>& args) {
    std::vector<std::string> all = {KIVU_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    return all;
  }
};

// Whether the process has a handler of its own for sig (the SigCgt mask of /proc/PID/status).
bool Catches(pid_t pid, int sig) {
  std::istringstream status(test::ReadFile("/proc/" + std::to_string(pid) + "/status"));
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (sig - 1)) & 1;
  }
  return false;
}

size_t CountLines(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// One second of a receiver: the position 48°07.038' N 11°31.000' E at 60 knots, course 84.4.
std::string Burst(int second) {
  char time[16];
  std::snprintf(time, sizeof time, "1200%02d", second);
  return test::Sentence(std::string("GPRMC,") + time +
                        ",A,4807.038,N,01131.000,E,060.0,084.4,230394,003.1,W") +
         test::Sentence(std::string("GPGGA,") + time + ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
}

// A track line as the file must hold it: "$TRACK,...*HH" with CR LF, where HH is the sum of the bytes
// between '$' and '*' modulo 256, and the position of Burst in degrees (48 + 7.038 / 60, 11 + 31 / 60).
testing::AssertionResult IsTrackLineOfTheBurst(const std::string& line) {
  size_t star = line.find('*');
  if (line.rfind("$TRACK,", 0) != 0 || star == std::string::npos || line.size() != star + 5 ||
      line.substr(star + 3) != "\r\n")
    return testing::AssertionFailure() << "not a whole track line: " << line;
  unsigned sum = 0;
  for (size_t i = 1; i < star; ++i)
    sum += static_cast<unsigned char>(line[i]);
  char expected[3];
  std::snprintf(expected, sizeof expected, "%02X", sum % 256);
  if (line.substr(star + 1, 2) != expected)
    return testing::AssertionFailure() << "checksum " << line.substr(star + 1, 2) << ", not " << expected;
  std::vector<std::string> fields;
  std::istringstream in(line.substr(0, star));
  for (std::string field; std::getline(in, field, ',');)
    fields.push_back(field);
  if (fields.size() != 15 || fields[3] != "48.1173" || fields[4] != "11.5167" || fields[6] != "M" ||
      fields[7] != "84.4" || fields[8] != "60.0")
    return testing::AssertionFailure() << "not the burst's place and motion: " << line;
  return testing::AssertionSuccess();
}

// Splits text into lines that each end with CR LF; whatever follows the last CR LF is kept as a last,
// unfinished line.
std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end + 2 - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

TEST(KivuOptions, AnUnknownOptionPrintsOneErrorLineAndTheUsageAndEndsWithStatus2) {
  KivuProcess help({"--help"}, {});
  KivuProcess bogus({"--bogus"}, {{"QT_QPA_PLATFORM", "offscreen"}});
  ASSERT_TRUE(help.WaitForExit(5s));
  ASSERT_TRUE(bogus.WaitForExit(5s));
  EXPECT_EQ(bogus.ExitStatus(), 2) << bogus.Describe();
  EXPECT_EQ(bogus.Out(), "");
  const std::string& err = bogus.Err();
  size_t firstLineEnd = err.find('\n');
  ASSERT_NE(firstLineEnd, std::string::npos);
  EXPECT_NE(err.substr(0, firstLineEnd).find("--bogus"), std::string::npos) << err;
  EXPECT_EQ(err.substr(firstLineEnd + 1), help.Out());
}

TEST(KivuOptions, HelpPrintsTheUsageWithEveryOptionAndEndsWithStatus0EvenWithoutADisplay) {
  KivuProcess help(
      {"--help"},
      {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}, {"QT_QPA_PLATFORM", std::nullopt}});
  ASSERT_TRUE(help.WaitForExit(5s));
  EXPECT_EQ(help.ExitStatus(), 0) << help.Describe();
  EXPECT_EQ(help.Err(), "");
  EXPECT_EQ(help.Out().rfind("Usage: kivu", 0), 0u) << help.Out();
  for (const char* option :
       {"--port PATH", "--home DIR", "--fullscreen", "--replay FILE", "--demo", "--help", "--version"})
    EXPECT_NE(help.Out().find(option), std::string::npos) << option;
}

TEST(KivuOptions, VersionPrintsOneLineWithVersion1Point0) {
  KivuProcess version({"--version"}, {{"QT_QPA_PLATFORM", "offscreen"}});
  ASSERT_TRUE(version.WaitForExit(5s));
  EXPECT_EQ(version.ExitStatus(), 0) << version.Describe();
  EXPECT_EQ(CountLines(version.Out()), 1u);
  EXPECT_NE(version.Out().find("1.0"), std::string::npos) << version.Out();
}

TEST(KivuOptions, WithoutADisplayItEndsWithOneLineThatSuggestsASnapshot) {
  test::TempDir runtime;
  KivuProcess kivu({}, {{"DISPLAY", std::nullopt},
                        {"WAYLAND_DISPLAY", std::nullopt},
                        {"QT_QPA_PLATFORM", std::nullopt},
                        {"XDG_RUNTIME_DIR", runtime.Path()}});
  ASSERT_TRUE(kivu.WaitForExit(5s)) << "kivu waits for a display that is not there";
  EXPECT_NE(kivu.ExitStatus(), 0) << kivu.Describe();
  EXPECT_NE(kivu.ExitStatus(), -1) << kivu.Describe();
  EXPECT_EQ(kivu.Out(), "");
  EXPECT_EQ(CountLines(kivu.Err()), 1u) << kivu.Err();
  EXPECT_NE(kivu.Err().find("kivu-replay"), std::string::npos) << kivu.Err();
  EXPECT_NE(kivu.Err().find("--snapshot"), std::string::npos) << kivu.Err();
  // It ended before the one-copy rule: no lock was taken.
  EXPECT_FALSE(test::FileExists(runtime / "kivu.lock"));
}

// kivu started offscreen with a runtime folder (mode 0700) and a home of the test's own, and a receiver
// on a pseudo-terminal.
class KivuRun : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(chmod(runtime.Path().c_str(), 0700), 0); }

  // Settings file lines after "[Settings]".
  void WriteSettings(const std::string& lines) {
    test::WriteFile(home / "Kivu.ini", "[Settings]\r\n" + lines);
  }

  std::unique_ptr<KivuProcess> Start(std::vector<std::string> args) {
    return std::make_unique<KivuProcess>(
        args, EnvChanges{{"QT_QPA_PLATFORM", "offscreen"},
                         {"KIVU_BACKLIGHT", home / "backlight"},
                         {"DISPLAY", std::nullopt},
                         {"WAYLAND_DISPLAY", std::nullopt},
                         {"XDG_RUNTIME_DIR", runtime.Path()},
                         {"KIVU_HOME", home.Path()},
                         {"KIVU_PORTS", std::nullopt},
                         {"LSAN_OPTIONS",
                          "suppressions=" + test::SourcePath("tests/lsan.supp") + ":print_suppressions=0"}});
  }
  std::unique_ptr<KivuProcess> StartOnThePort() { return Start({"--port", pty.SlavePath()}); }

  // Waits until kivu has its dashboard up and reads the pseudo-terminal.
  static bool WaitUntilFollowingThePort(KivuProcess& kivu, const std::string& port) {
    return kivu.WaitUntil(
        [&] { return kivu.Err().find("reading GPS messages from " + port) != std::string::npos; }, 8s);
  }

  // The content of the record file whose name starts with prefix ("track", "gps"), "" when there is none.
  std::string RecordFile(const std::string& prefix) const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(home / "KivuRecord", ec))
      // The record files proper: the track file's day GPX beside it is not one of them.
      if (entry.path().filename().string().rfind(prefix, 0) == 0 && entry.path().extension() == ".txt")
        return test::ReadFile(entry.path());
    return "";
  }

  test::TempDir runtime;
  test::TempDir home;
  test::PseudoTerminal pty;
};

TEST_F(KivuRun, ASecondStartHandsOverToTheFirstAndEndsAtOnceWithStatus0) {
  auto first = StartOnThePort();
  ASSERT_TRUE(first->WaitUntil([&] { return test::FileExists(runtime / "kivu.socket"); }, 5s))
      << first->Describe();
  // The hand-over comes before the rest of start-up (the capture to replay, then the splash): the second
  // copy never looks for the capture it is given, which is not there.
  auto second = Start({"--replay", home / "missing.nmea"});
  ASSERT_TRUE(second->WaitForExit(3s));
  EXPECT_EQ(second->ExitStatus(), 0) << second->Describe();
  EXPECT_EQ(second->Err().find("capture"), std::string::npos) << second->Err();
  EXPECT_EQ(second->Err().find("did not answer"), std::string::npos) << second->Err();
  EXPECT_TRUE(first->Running()) << first->Describe();
  // The first copy goes on to its dashboard.
  EXPECT_TRUE(WaitUntilFollowingThePort(*first, pty.SlavePath())) << first->Describe();
  EXPECT_TRUE(first->Running());
}

TEST_F(KivuRun, AStartAfterACopyWasKilledTakesOverItsLeftoversAndIsTheOneCopy) {
  auto killed = StartOnThePort();
  ASSERT_TRUE(killed->WaitUntil([&] { return test::FileExists(runtime / "kivu.socket"); }, 5s))
      << killed->Describe();
  killed->Signal(SIGKILL);
  ASSERT_TRUE(killed->WaitForExit(3s));
  ASSERT_TRUE(test::FileExists(runtime / "kivu.socket"));  // left behind

  auto next = StartOnThePort();
  ASSERT_TRUE(WaitUntilFollowingThePort(*next, pty.SlavePath())) << next->Describe();
  auto another = StartOnThePort();
  ASSERT_TRUE(another->WaitForExit(3s));
  EXPECT_EQ(another->ExitStatus(), 0) << another->Describe();
  EXPECT_EQ(another->Err().find("did not answer"), std::string::npos) << another->Err();
  EXPECT_TRUE(next->Running()) << next->Describe();
}

// SIGTERM and SIGINT end kivu through its event loop like the Exit button: the track whole, and the
// backlight that night dimmed at its day level again.
class TerminationSignal : public KivuRun, public ::testing::WithParamInterface<int> {};

TEST_P(TerminationSignal, EndsKivuPromptlyWithStatus0AndLeavesOnlyWholeTrackLines) {
  WriteSettings("RECORD_TRACK = 1\r\nRECORD_GPS_MSG = 1\r\nDISPLAY_MODE = 3\r\nBACKLIGHT_NIGHT = 20\r\n");
  const std::string brightness = home / "backlight/panel/brightness";
  std::filesystem::create_directories(home / "backlight/panel");
  test::WriteFile(home / "backlight/panel/max_brightness", "255\n");
  test::WriteFile(brightness, "200\n");
  auto kivu = StartOnThePort();
  ASSERT_TRUE(WaitUntilFollowingThePort(*kivu, pty.SlavePath())) << kivu->Describe();
  ASSERT_TRUE(kivu->WaitUntil([&] { return test::ReadFile(brightness) == "40\n"; }, 5s)) << kivu->Describe();
  // One burst a second of receiver time; each is written once the one before has been read.
  pty.Write(Burst(1));
  ASSERT_TRUE(kivu->WaitUntil([&] { return RecordFile("gps").size() == Burst(1).size(); }, 5s))
      << kivu->Describe();
  pty.Write(Burst(2));
  ASSERT_TRUE(kivu->WaitUntil([&] { return CountLines(RecordFile("track")) == 1; }, 5s)) << kivu->Describe();
  pty.Write(Burst(3));
  ASSERT_TRUE(kivu->WaitUntil([&] { return CountLines(RecordFile("track")) == 2; }, 5s)) << kivu->Describe();
  // The signal comes as soon as a fourth burst has been read, while its fix may still be on its way.
  pty.Write(Burst(4));
  ASSERT_TRUE(kivu->WaitUntil([&] { return RecordFile("gps").size() == 4 * Burst(1).size(); }, 5s))
      << kivu->Describe();

  kivu->Signal(GetParam());
  ASSERT_TRUE(kivu->WaitForExit(3s)) << kivu->Describe();
  EXPECT_EQ(kivu->ExitStatus(), 0) << kivu->Describe();
  EXPECT_EQ(test::ReadFile(brightness), "200\n");

  std::string track = RecordFile("track");
  std::vector<std::string> lines = CrLfLines(track);
  // One line for each fix after the first: the three read before, and the fourth's only when its fix
  // was handled before the end.
  EXPECT_GE(lines.size(), 2u);
  EXPECT_LE(lines.size(), 3u);
  for (const std::string& line : lines)
    EXPECT_TRUE(IsTrackLineOfTheBurst(line));
  EXPECT_EQ(CountLines(track), lines.size());
  EXPECT_EQ(RecordFile("gps"), Burst(1) + Burst(2) + Burst(3) + Burst(4));
}

INSTANTIATE_TEST_SUITE_P(KivuRun, TerminationSignal, ::testing::Values(SIGTERM, SIGINT),
                         [](const testing::TestParamInfo<int>& info) {
                           return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT");
                         });

// A kill while a fix may be on its way to the record files: the day's GPX is still a whole document and
// lacks at most the point of the track line written last.
TEST_F(KivuRun, AKillLeavesTheDaysGpxAWholeDocumentLackingAtMostTheLastPoint) {
  WriteSettings("RECORD_TRACK = 1\r\n");
  auto kivu = StartOnThePort();
  ASSERT_TRUE(WaitUntilFollowingThePort(*kivu, pty.SlavePath())) << kivu->Describe();
  std::string path;
  const auto points = [&] {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(home / "KivuRecord", ec))
      if (entry.path().extension() == ".gpx") path = entry.path();
    const std::string gpx = path.empty() ? "" : test::ReadFile(path);
    size_t count = 0;
    for (size_t at = gpx.find("<trkpt "); at != std::string::npos; at = gpx.find("<trkpt ", at + 1))
      ++count;
    return count;
  };
  for (int second = 1; second <= 3; ++second)
    pty.Write(Burst(second));
  ASSERT_TRUE(kivu->WaitUntil([&] { return points() == 2; }, 5s)) << kivu->Describe();
  pty.Write(Burst(4));
  kivu->Signal(SIGKILL);
  ASSERT_TRUE(kivu->WaitForExit(3s));

  const size_t lines = CountLines(RecordFile("track")), left = points();
  EXPECT_TRUE(left == lines || left + 1 == lines) << left << " points, " << lines << " track lines";
  EXPECT_TRUE(test::ReadFile(path).ends_with("</trkpt>\n  </trkseg>\n </trk>\n</gpx>\n"));
  EXPECT_EQ(test::GpxSchemaComplaint(path), "");
}

TEST_F(KivuRun, ASignalWhileTheNoReceiverMessageWaitsForOkStillEndsKivu) {
  // No port at all: start-up shows "Failed to create GPS Parser!" and waits for its OK, which nobody
  // presses here.
  auto kivu = Start({"--port", home / "no-such-port"});
  ASSERT_TRUE(kivu->WaitUntil([&] { return Catches(kivu->Pid(), SIGTERM); }, 8s)) << kivu->Describe();
  kivu->Signal(SIGTERM);
  ASSERT_TRUE(kivu->WaitForExit(3s)) << kivu->Describe();
  EXPECT_EQ(kivu->ExitStatus(), 0) << kivu->Describe();
}

TEST_F(KivuRun, AReplayOfThreeBurstsWritesTrackLinesOfTheCapturedPlace) {
  WriteSettings("RECORD_TRACK = 1\r\n");
  test::WriteFile(home / "drive.nmea", Burst(1) + Burst(2) + Burst(3));
  auto kivu = Start({"--replay", home / "drive.nmea"});
  // One burst a second, each fix after the first giving a line: two lines for three bursts, none lost
  // to the port's opening.
  ASSERT_TRUE(kivu->WaitUntil([&] { return CountLines(RecordFile("track")) == 2; }, 8s)) << kivu->Describe();
  kivu->Signal(SIGTERM);
  ASSERT_TRUE(kivu->WaitForExit(3s)) << kivu->Describe();
  EXPECT_EQ(kivu->ExitStatus(), 0) << kivu->Describe();
  std::vector<std::string> lines = CrLfLines(RecordFile("track"));
  ASSERT_EQ(lines.size(), 2u);
  for (const std::string& line : lines)
    EXPECT_TRUE(IsTrackLineOfTheBurst(line));
}

}  // namespace
}  // namespace kivu
