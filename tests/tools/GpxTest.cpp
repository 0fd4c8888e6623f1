// kivu-replay --gpx: the drive as GPX 1.1, checked against the schema, read back by gpsbabel and held
// against gpsd's positions for a real receiver's capture.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gps/NmeaTestUtil.h"
#include "support/TestSupport.h"
#include "tools/ReplayRun.h"
#include "trip/GpxWriter.h"

namespace kivu {
namespace {

using test::Replay;
using test::ReplayRun;
using test::Sentence;

struct Point {
  double lat, lon;
  std::string rest;  // what follows the attributes, up to </trkpt>
  size_t segment;
};

// The points of a GPX document in order, each with the segment it is in (0 for the first).
std::vector<Point> Points(const std::string& gpx) {
  std::vector<Point> points;
  size_t segment = 0, seen = gpx.find("<trkseg>");
  for (size_t at = gpx.find("<trkpt lat=\""); at != std::string::npos;
       at = gpx.find("<trkpt lat=\"", at + 1)) {
    while (true) {
      size_t next = gpx.find("<trkseg>", seen + 1);
      if (next == std::string::npos || next > at) break;
      seen = next;
      ++segment;
    }
    Point p;
    char* end;
    p.lat = std::strtod(gpx.c_str() + at + 12, &end);
    p.lon = std::strtod(std::strstr(end, "lon=\"") + 5, &end);
    const size_t restAt = static_cast<size_t>(std::strchr(end, '>') + 1 - gpx.c_str());
    p.rest = gpx.substr(restAt, gpx.find("</trkpt>", restAt) + 8 - restAt);
    p.segment = segment;
    points.push_back(p);
  }
  return points;
}

double JsonNumber(const std::string& line, const std::string& key) {
  const size_t at = line.find("\"" + key + "\":");
  return at == std::string::npos ? NAN : std::strtod(line.c_str() + at + key.size() + 3, nullptr);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line.substr(0, line.find('\r')));
  return lines;
}

bool HasCommand(const char* name) {
  return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

// Second by second: RMC, GGA (of a fix of the quality) and the GSAs of a 3D fix over 14 satellites of
// two systems, which the GGA counts as 12; or an RMC without a fix.
std::string Cycle(const std::string& time, bool fix = true, const std::string& date = "230326",
                  const std::string& quality = "1") {
  if (!fix) return Sentence("GPRMC," + time + ",V,4807.038,N,01131.000,E,022.4,084.4," + date + ",003.1,W");
  return Sentence("GPRMC," + time + ",A,4807.038,N,01131.000,E,022.4,084.4," + date + ",003.1,W") +
         Sentence("GPGGA," + time + ",4807.038,N,01131.000,E," + quality + ",12,1.3,545.4,M,46.9,M,,") +
         Sentence("GNGSA,A,3,02,04,05,09,12,13,15,17,,,,,2.5,1.3,2.1,1") +
         Sentence("GNGSA,A,3,65,66,73,81,82,88,,,,,,,2.5,1.3,2.1,2");
}

TEST(ReplayGpx, ATunnelOrAJoinStartsASegmentAndEveryFixIsOneExactPointValidAgainstTheSchema) {
  test::TempDir dir;
  // Three fixes, six seconds in a tunnel, two fixes with milliseconds; then the next day's drive
  // joined on, a minute earlier in the day.
  std::string capture = Cycle("120000") + Cycle("120001") + Cycle("120002");
  for (int s = 3; s <= 8; ++s)
    capture += Cycle("12000" + std::to_string(s), false);
  capture += Cycle("120009.25", true, "230326", "2") + Cycle("120010.25") + Cycle("115900", true, "240326");
  test::WriteFile(dir / "c.nmea", capture);
  test::WriteFile(dir / "d.gpx", "an older file, replaced whole");
  ReplayRun run = Replay(dir / "c.nmea --fixes --gpx " + dir / "d.gpx");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string gpx = test::ReadFile(dir / "d.gpx");
  const std::vector<std::string> fixes = Lines(run.out);
  const std::vector<Point> points = Points(gpx);
  ASSERT_EQ(fixes.size(), 6u);
  ASSERT_EQ(points.size(), 6u) << gpx;
  EXPECT_NE(gpx.find("<gpx version=\"1.1\" creator=\"Kivu\""), std::string::npos);
  EXPECT_NE(gpx.find("<trk>\n  <name>2026-03-23</name>\n  <trkseg>"), std::string::npos) << gpx;
  const size_t segments[] = {0, 0, 0, 1, 1, 2};
  for (size_t i = 0; i < points.size(); ++i) {
    EXPECT_EQ(points[i].segment, segments[i]) << i;
    // The very doubles the dashboard had.
    EXPECT_EQ(points[i].lat, JsonNumber(fixes[i], "latitude")) << i;
    EXPECT_EQ(points[i].lon, JsonNumber(fixes[i], "longitude")) << i;
  }
  // 22.4 knots are 11.524 m/s.
  EXPECT_EQ(
      points[3].rest,
      "<ele>545.4</ele><time>2026-03-23T12:00:09.250Z</time><fix>dgps</fix><sat>14</sat><hdop>1.3</hdop>"
      "<vdop>2.1</vdop><pdop>2.5</pdop><extensions><gpxtpx:TrackPointExtension>"
      "<gpxtpx:speed>11.524</gpxtpx:speed><gpxtpx:course>84.4</gpxtpx:course>"
      "</gpxtpx:TrackPointExtension></extensions></trkpt>");
  EXPECT_NE(points[0].rest.find("<time>2026-03-23T12:00:00Z</time><fix>3d</fix><sat>14</sat>"),
            std::string::npos);

  // Bad paths fail before the replay and leave nothing behind.
  ReplayRun bad = Replay(dir / "c.nmea --gpx " + dir / "missing/d.gpx");
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("kivu-replay: cannot write the GPX file"), std::string::npos) << bad.err;
  EXPECT_EQ(Replay(dir / "c.nmea --gpx " + dir.Path()).status, 2);

  // A locale with a decimal comma changes no number; a receiver's nonsense (a 29 February of a common
  // year, a speed that is no number, values a hair from 0) still makes a valid document.
  GpsFix fix{};
  fix.latitude = 48.5;
  fix.longitude = -11.25;
  fix.altitude = 12.5f;
  fix.fixType = 2;
  fix.hdop = 0.5f;
  GpsFix odd = fix;
  odd.utcTime = SystemTime{26, 2, 0, 29, 12, 0, 0, 0};
  odd.speedKnots = NAN;
  odd.latitude = 1e-300;
  odd.altitude = 1e-30f;
  std::string written;
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
  {
    GpxWriter writer([&](std::string_view piece) {
      written.append(piece);
      return true;
    });
    writer.AddPoint(fix, false);
    writer.AddPoint(odd, false);
    EXPECT_TRUE(writer.Finish());
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (comma) {
    EXPECT_NE(written.find("lat=\"48.5\" lon=\"-11.25\"><ele>12.5</ele>"), std::string::npos) << written;
  }
  test::WriteFile(dir / "odd.gpx", written);

  if (!test::CanValidateGpx())
    GTEST_SKIP() << "xmllint (libxml2-utils) or ../shared/gpx/gpx.xsd is absent: the schema check is skipped";
  for (const char* name : {"d.gpx", "odd.gpx"})
    EXPECT_EQ(test::GpxSchemaComplaint(dir / name), "") << name;
}

TEST(ReplayGpx, GpsbabelReadsBackEveryPointOfTheDemoDrive) {
  if (!HasCommand("gpsbabel")) GTEST_SKIP() << "gpsbabel is absent: the read-back is skipped";
  test::TempDir dir;
  ReplayRun run = Replay(test::SourcePath("res/demo/drive.nmea") + " --gpx " + dir / "d.gpx");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<Point> points = Points(test::ReadFile(dir / "d.gpx"));
  ASSERT_GT(points.size(), 900u);
  ASSERT_EQ(std::system(
                ("gpsbabel -t -i gpx -f " + dir / "d.gpx" + " -o unicsv -F " + dir / "d.csv 2>" + dir / "err")
                    .c_str()),
            0)
      << test::ReadFile(dir / "err");
  std::vector<std::string> rows = Lines(test::ReadFile(dir / "d.csv"));
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0].substr(0, 22), "No,Latitude,Longitude,");
  ASSERT_EQ(rows.size(), points.size() + 1);
  for (size_t i = 0; i < points.size(); ++i) {
    double lat, lon;
    ASSERT_EQ(std::sscanf(rows[i + 1].c_str(), "%*d,%lf,%lf", &lat, &lon), 2) << rows[i + 1];
    ASSERT_NEAR(lat, points[i].lat, 1e-6) << i;
    ASSERT_NEAR(lon, points[i].lon, 1e-6) << i;
  }
}

TEST(ReplayGpx, PositionsMatchGpsdsForTheSameSecondsOfARealReceiver) {
  KIVU_REQUIRE_SHARED_CAPTURES();
  const std::string capture = test::SharedCaptureDir() + "bu353s4.log";
  test::TempDir dir;
  ReplayRun run = Replay(capture + " --gpx " + dir / "d.gpx");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string gpx = test::ReadFile(dir / "d.gpx");
  // gpsd's positions by second; a second gpsd reports more than once holds each of them.
  std::multimap<std::string, std::pair<double, double>> gpsd;
  for (const std::string& line : Lines(test::ReadFile(capture + ".chk"))) {
    const size_t time = line.find("\"time\":\"");
    if (line.find("\"class\":\"TPV\"") == std::string::npos || time == std::string::npos) continue;
    if (line.find("\"lat\":") == std::string::npos) continue;
    gpsd.emplace(line.substr(time + 8, 19), std::make_pair(JsonNumber(line, "lat"), JsonNumber(line, "lon")));
  }
  // Every second Kivu has a fix in, gpsd has one too.
  const std::vector<Point> points = Points(gpx);
  EXPECT_GE(points.size(), 20u);
  for (const Point& point : points) {
    const size_t at = point.rest.find("<time>");
    ASSERT_NE(at, std::string::npos) << point.rest;
    const auto [first, last] = gpsd.equal_range(point.rest.substr(at + 6, 19));
    ASSERT_NE(first, last) << "gpsd has no position at " << point.rest.substr(at + 6, 19);
    bool agrees = false;
    for (auto it = first; it != last; ++it)
      agrees |=
          std::fabs(it->second.first - point.lat) < 1e-8 && std::fabs(it->second.second - point.lon) < 1e-8;
    EXPECT_TRUE(agrees) << point.rest.substr(at + 6, 19) << ": " << point.lat << ", " << point.lon;
  }
}

}  // namespace
}  // namespace kivu
