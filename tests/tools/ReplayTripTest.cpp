// kivu-replay's trip outputs: the summary, the track file, the GPS message log and the option values,
// as a user runs them on a recorded drive.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gps/NmeaTestUtil.h"
#include "support/TestSupport.h"
#include "tools/ReplayRun.h"

namespace kivu {
namespace {

using test::Sentence;

using test::Replay;
using test::ReplayRun;

std::vector<std::string> Split(const std::string& text, const std::string& end) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t stop = text.find(end, start);
    if (stop == std::string::npos) stop = text.size();
    lines.push_back(text.substr(start, stop - start));
    start = stop + end.size();
  }
  return lines;
}

// One burst a second, going north by 0.001 degree (111.32 m) at 10 knots, 500 m up with 8
// satellites, on 7 December 2026.
std::string Burst(int second, const char* status = "A") {
  char time[16], rmc[160], gga[160];
  std::snprintf(time, sizeof time, "1200%02d", second);
  const double minutes = 0.06 * second;  // 0.001 degree
  std::snprintf(rmc, sizeof rmc, "GPRMC,%s,%s,48%06.3f,N,01100.000,E,010.0,000.0,071226,,", time, status,
                minutes);
  std::snprintf(gga, sizeof gga, "GPGGA,%s,48%06.3f,N,01100.000,E,1,08,0.9,500.0,M,46.9,M,,", time, minutes);
  return Sentence(rmc) + Sentence(gga);
}

// The value of "name": in a one-line JSON object.
std::string Field(const std::string& json, const std::string& name) {
  const std::string key = "\"" + name + "\":";
  size_t at = json.find(key);
  if (at == std::string::npos) return "<missing>";
  at += key.size();
  return json.substr(at, json.find_first_of(",}", at) - at);
}

class ReplayTrip : public ::testing::Test {
 protected:
  void SetUp() override { test::WriteFile(dir / "drive.nmea", Burst(0) + Burst(1) + Burst(2)); }
  test::TempDir dir;
};

TEST_F(ReplayTrip, SummaryHasTheSixteenDashboardNumbersThenDurationAndDistance) {
  ReplayRun run = Replay(dir / "drive.nmea --summary");
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = Split(run.out, "\n");
  ASSERT_EQ(lines.size(), 1u) << run.out;  // no fix lines when a summary is asked for
  const std::string& json = lines[0];
  const char* names[] = {
      "courseInt",   "speedInt",    "altitudeInt", "verticalSpeedInt", "pitchInt",       "rollInt",
      "distanceInt", "maxSpeedInt", "avgSpeedInt", "minAltitudeInt",   "maxAltitudeInt", "altitudeGapInt",
      "pitchMin",    "pitchMax",    "rollMin",     "rollMax",          "durationHours",  "distance"};
  size_t previous = 0;
  for (const char* name : names) {
    size_t at = json.find(std::string("\"") + name + "\":");
    ASSERT_NE(at, std::string::npos) << name;
    EXPECT_GT(at, previous) << name << " out of order";
    previous = at;
  }
  EXPECT_EQ(json.front(), '{');
  EXPECT_EQ(json.back(), '}');
  // Two steps of 0.001 degree north, 111.3 m each on paper; the latitudes pass through 32-bit floats
  // (ulp 6e-8 rad near 48 degrees), which makes the steps 0.1110087 and 0.1113888 km (worked out step
  // by step in float32 and float64). Two seconds since the first fix: 2 x 0.000277777785 hours.
  EXPECT_EQ(Field(json, "distance"), "0.222397476");
  EXPECT_EQ(Field(json, "durationHours"), "0.000555555569");
  EXPECT_EQ(Field(json, "speedInt"), "19");  // 18.52 + 0.5
  EXPECT_EQ(Field(json, "maxSpeedInt"), "19");
  EXPECT_EQ(Field(json, "avgSpeedInt"), "400");  // 0.222397 km / 0.000555556 h = 400.315 km/h
  EXPECT_EQ(Field(json, "altitudeInt"), "500");
  EXPECT_EQ(Field(json, "distanceInt"), "0");
  EXPECT_EQ(Field(json, "courseInt"), "0");
  EXPECT_EQ(Field(json, "rollMin"), "0");

  ReplayRun imperial = Replay(dir / "drive.nmea --summary --units imperial");
  ASSERT_EQ(imperial.status, 0) << imperial.err;
  EXPECT_EQ(Field(imperial.out, "speedInt"), "12");       // 11.51 + 0.5
  EXPECT_EQ(Field(imperial.out, "altitudeInt"), "1640");  // 500 x 3.28
  EXPECT_EQ(Field(imperial.out, "avgSpeedInt"), "248");   // 400.315 x 0.62137
}

TEST_F(ReplayTrip, TrackFileGetsALinePerFixFromTheSecondOnInLocalTimeAndAppends) {
  const std::string track = dir / "track.txt";
  ReplayRun run = Replay(dir / "drive.nmea --track " + track, "CET-1CEST,M3.5.0,M10.5.0/3");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  std::vector<std::string> lines = Split(test::ReadFile(track), "\r\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(
      lines[0].rfind("$TRACK,130001,20261207,48.0010,11.0000,500,M,0.0,10.0,0.0,0.0,0.0,0.0,0.1,0.0*", 0), 0u)
      << lines[0];
  EXPECT_EQ(
      lines[1].rfind("$TRACK,130002,20261207,48.0020,11.0000,500,M,0.0,10.0,0.0,0.0,0.0,0.0,0.2,0.0*", 0), 0u)
      << lines[1];
  ReplayRun again = Replay(dir / "drive.nmea --fixes --track=" + track);
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(Split(again.out, "\n").size(), 3u);  // --fixes still prints every fix
  lines = Split(test::ReadFile(track), "\r\n");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2].rfind("$TRACK,120001,20261207,", 0), 0u) << lines[2];
}

TEST_F(ReplayTrip, LogHoldsTheHandledBlocksOnly) {
  test::WriteFile(dir / "c.nmea", "noise\r\n" + Burst(0) + Burst(0) + Burst(1, "V") + Burst(2));
  ReplayRun run = Replay(dir / "c.nmea --log " + dir / "log.txt");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::ReadFile(dir / "log.txt"), Burst(0) + Burst(1, "V") + Burst(2));
}

TEST_F(ReplayTrip, SentencesWithValuesNoReceiverSendsLeaveTheTripAsTheGoodFixesMadeIt) {
  // After the good fixes: a speed of 1e30 knots, a depth of 1e30 m, a sentence of empty fields, and
  // the first 40 bytes of a burst whose rest never comes.
  std::string absurd = Sentence("GPRMC,120003,A,4800.180,N,01100.000,E,1e30,000.0,071226,,") +
                       Sentence("GPGGA,120003,4800.180,N,01100.000,E,1,08,0.9,-1e30,M,46.9,M,,") +
                       Sentence("GPGGA" + std::string(100, ',')) + Burst(4).substr(0, 40);
  test::WriteFile(dir / "absurd.nmea", Burst(0) + Burst(1) + Burst(2) + absurd);
  ReplayRun good = Replay(dir / "drive.nmea --summary");
  ReplayRun run = Replay(dir / "absurd.nmea --summary");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, good.out);
  EXPECT_EQ(Field(run.out, "maxSpeedInt"), "19");
  EXPECT_EQ(Field(run.out, "minAltitudeInt"), "500");
}

// Receivers whose time leaps: one sends a date that is no date before a good one, another's capture
// goes back 52 minutes half way. Neither may make a trip of years, a negative one, or a speed the car
// never drove; the jump is told once.
TEST(ReplayTimeJumps, ATripTakesNoStepAcrossAReceiversTimeJump) {
  KIVU_REQUIRE_SHARED_CAPTURES();
  ReplayRun april = Replay(test::SharedCaptureDir() + "april6_2019.log --summary");
  ASSERT_EQ(april.status, 0) << april.err;
  EXPECT_EQ(Field(april.out, "durationHours"), "0");
  ReplayRun bt = Replay(test::SharedCaptureDir() + "bt451.log --summary");
  ASSERT_EQ(bt.status, 0) << bt.err;
  const double hours = std::stod(Field(bt.out, "durationHours"));
  EXPECT_GT(hours, 0.0);
  EXPECT_LT(hours, 10 / 3600.0);  // the ten seconds of fixes, not the hour between the two parts
  EXPECT_GE(std::stoi(Field(bt.out, "avgSpeedInt")), 0);
  EXPECT_LE(std::stoi(Field(bt.out, "avgSpeedInt")), std::stoi(Field(bt.out, "maxSpeedInt")) + 1);
  EXPECT_EQ(bt.err,
            "kivu: the receiver's time jumps from 2009-12-09 15:25:08 to 2009-12-09 14:33:06 UTC; the trip "
            "takes no step across it\n");
}

TEST_F(ReplayTrip, BadValuesAndUnopenableFilesExitWithStatusTwoAndOneLine) {
  const std::string drive = dir / "drive.nmea";
  for (std::string args :
       {"--units furlongs", "--units", "--pitch-source 2", "--roll-source=", "--track",
        "--track=", "--log ''", "--track /nonexistent-folder/t.txt", "--log /nonexistent-folder/l.txt"}) {
    ReplayRun run = Replay(drive + " " + args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_EQ(Split(run.err, "\n").size(), 1u) << args << ": " << run.err;
    EXPECT_EQ(run.out, "") << args;
  }
  EXPECT_NE(Replay(drive + " --track /nonexistent-folder/t.txt").err.find("Open file failed!"),
            std::string::npos);
  ReplayRun help = Replay("--help");
  EXPECT_EQ(help.status, 0);
  for (const char* option :
       {"Usage: kivu-replay", "--track FILE", "--summary", "--units metric|imperial", "--pitch-source 0|1",
        "--roll-source 0|1", "--log FILE", "--report FILE.html", "track file and a trip summary"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace kivu
