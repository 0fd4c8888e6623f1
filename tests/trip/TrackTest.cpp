// The track line and the track file: the line format against a worked example, the additive checksum,
// bounded formatting, appending, and whole lines when the storage fails.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <csignal>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "config/ChildProcess.h"
#include "support/TestSupport.h"
#include "trip/TrackFile.h"
#include "trip/TrackLine.h"
#include "trip/TripTestUtil.h"

namespace kivu {
namespace {

struct Example {
  LocalTime local{2026, 12, 7, 14, 3, 7};
  GpsFix fix = test::MakeFix({.latitude = 48.1173, .longitude = 11.5167, .knots = 22.4f, .course = 84.4f});
  TripStats stats;
  Example() {
    stats.smoothedAltitude = 519.6f;
    stats.pitchAcceleration = 1.2f;
    stats.rollCentripetal = -0.5f;
    stats.distance = 12.3f;
    stats.durationHours = 0.4f;
  }
};

std::string Format(const Example& e) {
  char buffer[kTrackLineSize];
  size_t length = FormatTrackLine(buffer, e.local, e.fix, e.stats);
  EXPECT_EQ(length, std::strlen(buffer));
  return std::string(buffer, length);
}

TEST(TrackLine, MatchesTheWorkedExample) {
  EXPECT_EQ(Format(Example()),
            "$TRACK,140307,20261207,48.1173,11.5167,520,M,84.4,22.4,1.2,-0.5,0.0,0.0,12.3,0.4*A4\r\n");
}

TEST(TrackLine, ChecksumIsTheByteSumBetweenDollarAndStarInUpperCaseHex) {
  Example e;
  e.fix.longitude = -3.70379;  // west of Greenwich
  e.stats.smoothedAltitude = 667.4f;
  const std::string line = Format(e);
  ASSERT_EQ(line.rfind("$TRACK,140307,20261207,48.1173,-3.7038,667,M,", 0), 0u) << line;
  ASSERT_GE(line.size(), 6u);
  ASSERT_EQ(line.substr(line.size() - 2), "\r\n");
  const size_t star = line.find('*');
  ASSERT_EQ(star, line.size() - 5);
  unsigned sum = 0;
  for (size_t i = 1; i < star; ++i)
    sum += static_cast<unsigned char>(line[i]);
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", sum % 256);
  EXPECT_EQ(line.substr(star + 1, 2), digits);
  // A sum, not an exclusive-or: "AA" sums to 0x82 where the exclusive-or would be 0.
  EXPECT_EQ(TrackChecksum("AA", 2), 0x82);
  EXPECT_EQ(TrackChecksum("\xff\xff", 2), 0xfe);
}

TEST(TrackLine, AFailedLocalTimePrintsZeroDateAndMinusOneTime) {
  Example e;
  e.local = kNoLocalTime;
  EXPECT_EQ(Format(e).rfind("$TRACK,-01-01-01,000000,48.1173,", 0), 0u);
}

TEST(TrackLine, ValuesFarOutsideTheirRangesAreNotWrittenAndNeverOverflow) {
  Example e;
  e.fix.latitude = 1e300;  // 301 digits before the point
  char buffer[kTrackLineSize];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(FormatTrackLine(buffer, e.local, e.fix, e.stats), 0u);
  EXPECT_EQ(buffer[0], '\0');
  // Around the limit: a line is written exactly when its 250 characters before the checksum fit.
  e.fix.latitude = 0;
  const int plain = static_cast<int>(Format(e).size()) - 5 - 6;  // without "0.0000"
  bool fitted = false, refused = false;
  for (int k = 140; k <= 200; ++k) {
    e.fix.latitude = std::pow(10.0, k);
    const int width = plain + std::snprintf(nullptr, 0, "%.4f", e.fix.latitude);
    const size_t length = FormatTrackLine(buffer, e.local, e.fix, e.stats);
    if (width <= 250) {
      EXPECT_EQ(length, static_cast<size_t>(width) + 5) << k;
      EXPECT_EQ(std::strlen(buffer), length);
      fitted = true;
    } else {
      EXPECT_EQ(length, 0u) << k;
      refused = true;
    }
  }
  EXPECT_TRUE(fitted && refused);
}

TEST(TrackLine, NumbersHaveTheBytesThatPrintfGivesThem) {
  // Every value a fix or the trip can hold, and more: uniform values over the ranges of the fields,
  // floats of every exponent widened to double (what the trip's figures are), any bit pattern of a
  // double, ties that round to even, and the signed zeros and non-numbers.
  std::mt19937_64 random(20261207);
  std::vector<double> values = {0.0,   -0.0,    0.05,     0.25,      -0.25,   0.35,   2.5,  -2.5,
                                0.125, 0.00005, -0.00005, 1e-300,    -1e-300, 5e-324, 1e18, 9.3e18,
                                1e300, -1e300,  INFINITY, -INFINITY, NAN,     -NAN,   0.45, 1.45};
  std::uniform_real_distribution<double> latitude(-90, 90), longitude(-180, 180), wide(-1e7, 1e7);
  for (int i = 0; i < 20000; ++i) {
    values.push_back(latitude(random));
    values.push_back(longitude(random));
    values.push_back(wide(random));
    values.push_back(static_cast<double>(std::bit_cast<float>(static_cast<uint32_t>(random()))));
    values.push_back(std::bit_cast<double>(random()));
    // Exact halves of the last digit of each precision, and their neighbours.
    const double half = static_cast<double>(static_cast<int64_t>(random() % 2000000) - 1000000) + 0.5;
    for (double scale : {1.0, 10.0, 10000.0}) {
      values.push_back(half / scale);
      values.push_back(std::nextafter(half / scale, 0.0));
    }
  }
  size_t compared = 0;
  for (double value : values) {
    for (int decimals : {0, 1, 4}) {
      char expected[400], got[400];
      const int n = std::snprintf(expected, sizeof expected, "%.*f", decimals, value);
      ASSERT_EQ(FormatFixed(got, sizeof got, value, decimals), static_cast<size_t>(n)) << expected;
      ASSERT_EQ(std::string(got, static_cast<size_t>(n)), expected);
      // Too little room: nothing.
      EXPECT_EQ(FormatFixed(got, static_cast<size_t>(n) - 1, value, decimals), 0u) << expected;
      ++compared;
    }
  }
  EXPECT_GT(compared, 500000u);
}

TEST(TrackFileName, IsTrackWithTheFourDigitYearAndTwoDigitMonthAndDay) {
  EXPECT_EQ(TrackFileName("/r/", {2026, 3, 9, 0, 0, 0}), "/r/track20260309.txt");
  EXPECT_EQ(TrackFileName("", {2026, 12, 17, 0, 0, 0}), "track20261217.txt");
}

TEST(TrackFile, ReopeningAppendsAfterTheEarlierLines) {
  test::TempDir dir;
  test::WriteFile(dir / "t.txt", "earlier\r\n");
  TrackFile file;
  ASSERT_TRUE(file.Open(dir / "t.txt"));
  EXPECT_TRUE(file.WriteLine("one\r\n", 5));
  file.Close();
  EXPECT_FALSE(file.WriteLine("lost\r\n", 6));
  ASSERT_TRUE(file.Open(dir / "t.txt"));
  EXPECT_TRUE(file.WriteLine("two\r\n", 5));
  EXPECT_EQ(test::ReadFile(dir / "t.txt"), "earlier\r\none\r\ntwo\r\n");
}

TEST(TrackFile, IsNotSharedWithASecondWriter) {
  test::TempDir dir;
  TrackFile first, second;
  ASSERT_TRUE(first.Open(dir / "t.txt"));
  EXPECT_FALSE(second.Open(dir / "t.txt"));
  EXPECT_FALSE(second.IsOpen());
  first.Close();
  EXPECT_TRUE(second.Open(dir / "t.txt"));
  EXPECT_FALSE(TrackFile().Open(dir / "missing-folder/t.txt"));
}

TEST(TrackFile, AFullStorageLeavesOnlyWholeLinesAndOneComplaint) {
  // Line by line, and in one batch of four lines written at Close (a replay's way).
  for (bool batching : {false, true}) {
    SCOPED_TRACE(batching ? "batched" : "line by line");
    test::TempDir dir;
    const std::string path = dir / "t.txt";
    const std::string err = dir / "err.txt";
    const std::string line = std::string(98, 'L') + "\r\n";  // 100 bytes
    // In a child whose files may grow to 250 bytes: the third line gets 50 bytes in, the fourth none.
    test::ChildOutcome outcome = test::RunInChild([&] {
      std::signal(SIGXFSZ, SIG_IGN);
      int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (errFd < 0 || dup2(errFd, 2) < 0) return 10;
      TrackFile file;
      if (!file.Open(path)) return 11;
      file.SetBatching(batching);
      struct rlimit limit = {250, 250};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 12;
      int written = 0;
      for (int i = 0; i < 4; ++i)
        written += file.WriteLine(line.data(), line.size()) ? 1 : 0;
      file.Close();
      return written;
    });
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.code, batching ? 4 : 2);  // a batched line counts as written once it is kept
    EXPECT_EQ(test::ReadFile(path), line + line);
    const std::string complaint = test::ReadFile(err);
    EXPECT_EQ(std::count(complaint.begin(), complaint.end(), '\n'), 1) << complaint;
    EXPECT_NE(complaint.find(path), std::string::npos) << complaint;
  }
}

}  // namespace
}  // namespace kivu
