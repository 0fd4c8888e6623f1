// kivu-replay as a user runs it, and the bundled demo drive it replays.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "gps/NmeaTestUtil.h"
#include "platform/raster/Png.h"
#include "support/TestSupport.h"
#include "tools/ReplayRun.h"
#include "view/DashboardPaint.h"

namespace kivu {
namespace {

using test::Sentence;

using test::Replay;
using test::ReplayRun;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

std::string Rmc(const char* time, const char* status = "A") {
  return Sentence(std::string("GPRMC,") + time + "," + status +
                  ",4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");
}

TEST(ReplayFixes, EachFixIsOneJsonLineWithEveryFieldInOrder) {
  test::TempDir dir;
  test::WriteFile(dir / "c.nmea",
                  "junk before the first burst\r\n" + Rmc("123519.25") +
                      Sentence("GPGGA,123519.25,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
  ReplayRun run = Replay(dir / "c.nmea --fixes");
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 1u);
  char latitude[64], altitude[32];
  std::snprintf(latitude, sizeof latitude, "%.17g", 48 + 7.038 * (1.0 / 60.0));
  std::snprintf(altitude, sizeof altitude, "%.9g", static_cast<double>(545.4f));
  std::string expected = std::string(
                             "{\"utcTime\":{\"year\":94,\"month\":3,\"dayOfWeek\":0,\"day\":23,\"hour\":12,"
                             "\"minute\":35,\"second\":19,\"milliseconds\":250},\"latitude\":") +
                         latitude + ",\"longitude\":";
  EXPECT_EQ(lines[0].substr(0, expected.size()), expected);
  EXPECT_NE(lines[0].find(std::string(",\"altitude\":") + altitude + ",\"geoidSeparation\":46.9000015,"),
            std::string::npos);
  EXPECT_NE(lines[0].find(",\"magneticVariation\":-3.1000000000000001,"), std::string::npos);
  EXPECT_NE(lines[0].find(",\"satellitesUsed\":8,\"satellitesInView\":0,\"differential\":0}"), std::string::npos);
  // The same capture piped in.
  ReplayRun piped = Replay("/dev/stdin --fixes", "UTC0", dir / "c.nmea");
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, run.out);
}

TEST(ReplayFixes, CyclesAreCutByTimeAndKeepUpTo16KiB) {
  test::TempDir dir;
  // Third cycle: an RMC, 1100 bytes of other talkers, then its GGA. Fourth: the same past 16 KiB.
  auto filler = [](size_t size) {
    std::string text;
    while (text.size() < size)
      text += Sentence("GLGSV,3,1,11,65,25,066,21");
    return text;
  };
  auto gga = [](const char* time) {
    return Sentence(std::string("GPGGA,") + time + ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
  };
  std::string capture = Rmc("120000") + Rmc("120000") /* repeated second */ + Rmc("120001", "V") +
                        Rmc("120002") + filler(1100) + gga("120002") + Rmc("120003") + filler(16384) +
                        gga("120003");
  test::WriteFile(dir / "c.nmea", capture);
  ReplayRun run = Replay(dir / "c.nmea");
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 3u);  // 12:00:00, 12:00:02 and 12:00:03; the repeat and the 'V' are not handed over
  EXPECT_NE(lines[1].find("\"second\":2,"), std::string::npos);
  EXPECT_NE(lines[1].find("\"altitude\":545.400024,"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find("\"second\":3,"), std::string::npos);
  EXPECT_EQ(Lines(run.err),
            std::vector<std::string>{"kivu: a receiver cycle longer than 16 KiB; the rest of it is dropped"});
}

TEST(ReplayFixes, StatesTellHowEachFixCameAndASnapshotInAGapShowsTheFixLost) {
  test::TempDir dir;
  // Three fixes, six seconds of a receiver without a fix, one fix back, four seconds without.
  std::string capture = Rmc("120000") + Rmc("120001") + Rmc("120002");
  for (int s = 3; s <= 8; ++s)
    capture += Rmc(("12000" + std::to_string(s)).c_str(), "V");
  capture += Rmc("120009");
  for (int s = 10; s <= 13; ++s)
    capture += Rmc(("1200" + std::to_string(s)).c_str(), "V");
  test::WriteFile(dir / "c.nmea", capture);
  ReplayRun plain = Replay(dir / "c.nmea");
  ReplayRun states = Replay(dir / "c.nmea --states");
  ASSERT_EQ(states.status, 0) << states.err;
  std::vector<std::string> lines = Lines(states.out), plainLines = Lines(plain.out);
  ASSERT_EQ(lines.size(), 4u);
  ASSERT_EQ(plainLines.size(), 4u);
  const char* expected[] = {"no fix", "fix", "fix", "lost"};
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(plainLines[i].find("gpsState"), std::string::npos);
    // The line is the plain one with the state added at its end (the sun's follow it).
    std::string start =
        plainLines[i].substr(0, plainLines[i].size() - 1) + ",\"gpsState\":\"" + expected[i] + "\",";
    EXPECT_EQ(lines[i].substr(0, start.size()), start);
  }
  EXPECT_EQ(states.err, "");

  // The snapshot is taken four seconds after the last fix: lost, and the flag is on the picture.
  ReplayRun snapshot = Replay(dir / "c.nmea --snapshot " + dir / "s.png --size 572x430");
  ASSERT_EQ(snapshot.status, 0) << snapshot.err;
  std::optional<Bitmap> picture = ReadPng(dir / "s.png");
  ASSERT_TRUE(picture);
  int flag = 0;
  for (int y = 0; y < picture->Height(); ++y)
    for (int x = 0; x < picture->Width(); ++x)
      flag += picture->ColorAt(x, y) == kGpsFlagColour;
  EXPECT_GT(flag, 1000);
}

TEST(ReplayFixes, StatesAddTheSunsElevationAndThePaletteTheDashboardShowsWithEachFix) {
  test::TempDir dir;
  // A fix without a date (an RMC whose date is empty), then Munich on 23 March 1994 at 12:00:01 and at
  // 23:00 UTC.
  std::string capture =
      Sentence("GPRMC,115959,A,4807.038,N,01131.000,E,022.4,084.4,,003.1,W") + Rmc("120001") + Rmc("230000");
  test::WriteFile(dir / "c.nmea", capture);
  auto sun = [](const std::string& line, double& elevation, std::string& palette) {
    const size_t at = line.find(",\"sunElevation\":");
    if (at == std::string::npos) return false;
    char name[16] = {};
    char text[32] = {};
    // Either a number with exactly two decimals or null, then the palette, then the speed warning (off:
    // these settings have none) at the very end.
    if (std::sscanf(line.c_str() + at, ",\"sunElevation\":%31[-0-9.nul],\"palette\":\"%15[a-z]\"", text,
                    name) != 2)
      return false;
    const std::string number = text;
    if (number != "null" && (number.find('.') == std::string::npos || number.size() - number.find('.') != 3))
      return false;
    elevation = number == "null" ? std::nan("") : std::strtod(text, nullptr);
    palette = name;
    const std::string end = ",\"palette\":\"" + palette + "\",\"speedWarning\":false}";
    return at + std::strlen(",\"sunElevation\":") + number.size() + end.size() == line.size() &&
           line.ends_with(end);
  };
  const struct {
    const char* options;
    std::vector<std::string> palettes;
  } runs[] = {{"", {"day", "day", "night"}},
              {" --palette red", {"red", "red", "red"}},
              {" --palette=dusk --hud", {"dusk", "dusk", "dusk"}}};
  for (const auto& r : runs) {
    ReplayRun run = Replay(dir / "c.nmea --states" + r.options);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    double elevations[3];
    std::vector<std::string> palettes(3);
    for (int i = 0; i < 3; ++i)
      ASSERT_TRUE(sun(lines[i], elevations[i], palettes[i])) << lines[i];
    // No date, no sun. Near the equinox, 40 minutes past solar noon at 48.1 N: 90 - 48.1 + 1.2 (the
    // declination) less 6 for the hour angle. At 23:00 the sun is deep below.
    EXPECT_TRUE(std::isnan(elevations[0]));
    EXPECT_NEAR(elevations[1], 42.3, 0.5);
    EXPECT_LT(elevations[2], -30);
    EXPECT_EQ(palettes, r.palettes) << r.options;
  }
}

// With a speed limit in the settings, each fix line says whether the dashboard warns: from the fix 2 s
// after the first one above the limit (22.4 knots is 41 km/h), not across a lost fix.
TEST(ReplayFixes, StatesTellWhetherTheSpeedWarningIsOn) {
  test::TempDir dir;
  std::string capture;
  for (const char* time : {"120000", "120001", "120002", "120003", "120004"})
    capture += Rmc(time);
  for (int s = 5; s <= 8; ++s)
    capture += Rmc(("12000" + std::to_string(s)).c_str(), "V");
  for (const char* time : {"120009", "120010", "120011"})
    capture += Rmc(time);
  test::WriteFile(dir / "c.nmea", capture);
  test::WriteFile(dir / "Kivu.ini", "[Settings]\r\nSPEED_WARNING = 40\r\n");
  ReplayRun run = Replay(dir / "c.nmea --states --settings " + dir / "Kivu.ini");
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 8u) << run.out;
  const bool warns[] = {false, false, false, true, true, false, false, true};
  for (size_t i = 0; i < lines.size(); ++i)
    EXPECT_TRUE(lines[i].ends_with(std::string("\"palette\":\"day\",\"speedWarning\":") +
                                   (warns[i] ? "true}" : "false}")))
        << lines[i];
}

// The size rule itself is kivu's --window's too (SizeOption): here a snapshot's largest side.
TEST(ReplayErrors, BadOptionsAndMissingFilesExitWithStatusTwoAndSayWhy) {
  for (std::string args :
       {"/nonexistent/capture.nmea", "--frobnicate x.nmea", "", "a.nmea b.nmea", "--size 8193x480 x.nmea",
        "--palette sunset x.nmea", "--palette Day x.nmea", "--hud=on x.nmea", "--palette"}) {
    ReplayRun run = Replay(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_EQ(Lines(run.err).size(), 1u) << args << ": " << run.err;
    EXPECT_NE(run.err.find(args.substr(0, args.find(' '))), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << args;
  }
  EXPECT_NE(Replay("--palette sunset x.nmea").err.find("takes auto, day, dusk, night or red, not 'sunset'"),
            std::string::npos);
}

// The demo drive as a receiver would send it.
class DemoDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string text = test::ReadFile(test::SourcePath("res/demo/drive.nmea"));
    ASSERT_FALSE(text.empty());
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find("\r\n", start);
      ASSERT_NE(end, std::string::npos) << "every line ends in CR LF";
      lines_.push_back(text.substr(start, end - start));
      start = end + 2;
    }
  }
  std::vector<std::string> lines_;
};

TEST_F(DemoDrive, EverySentenceHasAGoodChecksumAndBurstsComeInOrder) {
  ASSERT_EQ(lines_.size() % 6, 0u);
  const char* order[] = {"$GPRMC,", "$GPGGA,", "$GPGSA,", "$GPGSV,3,1,", "$GPGSV,3,2,", "$GPGSV,3,3,"};
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    ASSERT_EQ(line.rfind(order[i % 6], 0), 0u) << i << ": " << line;
    size_t star = line.find('*');
    ASSERT_NE(star, std::string::npos);
    ASSERT_EQ(Sentence(line.substr(1, star - 1), ""), line) << line;
  }
  // About fifteen minutes of one-second bursts.
  EXPECT_GE(lines_.size() / 6, 840u);
  EXPECT_LE(lines_.size() / 6, 1100u);
}

TEST_F(DemoDrive, DriveHasStopsATurnThroughNorthHillsMotorwayAndALossOfFix) {
  int stoppedSeconds = 0, noFix = 0, throughNorth = 0;
  double maxKnots = 0, minAlt = 1e9, maxAlt = -1e9, previousCourse = -1;
  for (size_t i = 0; i < lines_.size(); i += 6) {
    std::vector<std::string> f;
    std::stringstream rmc(lines_[i]);
    for (std::string field; std::getline(rmc, field, ',');)
      f.push_back(field);
    if (f[2] == "V") {
      ++noFix;
      continue;
    }
    double knots = std::stod(f[7]), course = std::stod(f[8]);
    maxKnots = std::max(maxKnots, knots);
    if (knots < 0.1) ++stoppedSeconds;
    if (previousCourse >= 0 && std::abs(course - previousCourse) > 180) ++throughNorth;
    previousCourse = course;
    std::vector<std::string> g;
    std::stringstream gga(lines_[i + 1]);
    for (std::string field; std::getline(gga, field, ',');)
      g.push_back(field);
    double alt = std::stod(g[9]);
    minAlt = std::min(minAlt, alt);
    maxAlt = std::max(maxAlt, alt);
  }
  EXPECT_GE(stoppedSeconds, 30);
  EXPECT_GE(noFix, 5);
  EXPECT_LE(noFix, 60);
  EXPECT_GE(throughNorth, 1);
  EXPECT_GE(maxKnots * 1.852, 110.0);  // a motorway stretch
  EXPECT_GE(maxAlt - minAlt, 50.0);    // a climb and a descent
}

}  // namespace
}  // namespace kivu

#include "platform/raster/Png.h"

namespace kivu {
namespace {

// A snapshot of the capture through kivu-replay, read back.
std::optional<Bitmap> Snapshot(const std::string& capture, const std::string& options, test::TempDir& dir) {
  test::WriteFile(dir / "c.nmea", capture);
  ReplayRun run = Replay(dir / "c.nmea --snapshot " + dir / "s.png " + options);
  EXPECT_EQ(run.status, 0) << run.err;
  return ReadPng(dir / "s.png");
}

TEST(ReplaySnapshot, EmptyCapturePaintsTheDashboardWithItsButtons) {
  test::TempDir dir;
  std::optional<Bitmap> picture = Snapshot("", "--size 618x384", dir);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->Width(), 618);
  EXPECT_EQ(picture->Height(), 384);
  EXPECT_EQ(picture->ColorAt(100, 2), (Color{180, 180, 180}));
  // At the design size the Exit button's picture stands at (6, 338): its own pixels, unscaled.
  std::optional<Bitmap> exit = ReadPng(test::SourcePath("res/147-exit.png"));
  ASSERT_TRUE(exit);
  for (int y = 0; y < 40; y += 7)
    for (int x = 0; x < 40; x += 7)
      EXPECT_EQ(picture->PixelAt(6 + x, 338 + y), exit->PixelAt(x, y)) << x << "," << y;
}

// The demo drive at night: a dark picture (a mean under 30% of the day's, no pixel channel above 160)
// whose figures still show in the night's colours.
TEST(ReplaySnapshot, NightIsDarkAndItsFiguresStillShow) {
  test::TempDir dir;
  const std::string drive = test::ReadFile(test::SourcePath("res/demo/drive.nmea"));
  std::optional<Bitmap> day = Snapshot(drive, "--size 800x480", dir);
  std::optional<Bitmap> night = Snapshot(drive, "--size 800x480 --palette night", dir);
  ASSERT_TRUE(day && night);
  auto luminance = [](Color c) { return 0.299 * c.red + 0.587 * c.green + 0.114 * c.blue; };
  double dayTotal = 0, nightTotal = 0;
  int brightest = 0, figurePixels = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 800; ++x) {
      const Color n = night->ColorAt(x, y);
      dayTotal += luminance(day->ColorAt(x, y));
      nightTotal += luminance(n);
      brightest = std::max({brightest, int{n.red}, int{n.green}, int{n.blue}});
      figurePixels += n == Color{0, 150, 150};  // the night's colour of the trip figures
    }
  }
  EXPECT_LE(nightTotal, 0.30 * dayTotal);
  EXPECT_LE(brightest, 160);
  EXPECT_GT(figurePixels, 500);
}

TEST(ReplaySnapshot, SettingsFileIsReadAsTheDashboardReadsKivuIni) {
  test::TempDir dir;
  // A hand-written file with LF line ends: no readout boxes, no advertisement, no light.
  test::WriteFile(dir / "Kivu.ini", "[Settings]\nDIGITAL_READOUT = 0\nDISPLAY_AD = 0\nBLINKING_LIGHT = 0\n");
  std::optional<Bitmap> plain = Snapshot("", "--size 572x430 --settings " + dir / "Kivu.ini", dir);
  std::optional<Bitmap> full = Snapshot("", "--size 572x430", dir);
  ASSERT_TRUE(plain && full);
  const Color yellow{255, 255, 0}, grey{180, 180, 180};
  // The speed box's corner (25, 162); the advertisement's frame (293, 388); the light's middle (558, 403).
  EXPECT_EQ(full->ColorAt(25, 162), yellow);
  EXPECT_NE(plain->ColorAt(25, 162), yellow);
  EXPECT_EQ(full->ColorAt(293, 388), kColor3DDarkShadow);
  EXPECT_EQ(plain->ColorAt(293, 388), grey);
  EXPECT_EQ(full->ColorAt(558, 403), (Color{0, 127, 0}));
  EXPECT_EQ(plain->ColorAt(558, 403), grey);
}

}  // namespace
}  // namespace kivu
