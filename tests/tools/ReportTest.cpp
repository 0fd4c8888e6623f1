// kivu-replay --report: the drive report's page holds the dashboard's figures, draws a tunnel as a gap,
// needs nothing from outside, and opens in a real browser.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gps/NmeaTestUtil.h"
#include "platform/raster/Png.h"
#include "support/TestSupport.h"
#include "tools/ReplayRun.h"
#include "tools/ReportPlots.h"

namespace kivu {
namespace {

using test::Replay;
using test::ReplayRun;
using test::Sentence;

// One second of a drive going north and up, at second s of 12:00 UTC; without a fix, an RMC alone.
std::string Cycle(int s, bool fix = true) {
  char time[16], latitude[16], altitude[16];
  std::snprintf(time, sizeof time, "12%02d%02d", s / 60, s % 60);
  std::snprintf(latitude, sizeof latitude, "4807.%03d", 38 + 6 * s);
  std::snprintf(altitude, sizeof altitude, "%.1f", 545.4 + 2.5 * s);
  const std::string rmc = std::string("GPRMC,") + time + (fix ? ",A," : ",V,") + latitude +
                          ",N,01131.000,E,0" + std::to_string(20 + s % 7) + ".4,00" + std::to_string(s % 10) +
                          ".4,230326,003.1,W";
  if (!fix) return Sentence(rmc);
  return Sentence(rmc) +
         Sentence(std::string("GPGGA,") + time + "," + latitude + ",N,01131.000,E,1,08,1.3," + altitude +
                  ",M,46.9,M,,") +
         Sentence("GPGSA,A,3,04,05,09,12,,,,,,,,,2.5,1.3,2.1");
}

// The number after key in the summary's JSON.
std::string Field(const std::string& json, const std::string& key) {
  const size_t at = json.find("\"" + key + "\":");
  if (at == std::string::npos) return "";
  const size_t start = at + key.size() + 3;
  return json.substr(start, json.find_first_of(",}", start) - start);
}

// The figure the page shows under id, with what follows it up to its unit's end.
std::string Figure(const std::string& page, const std::string& id) {
  const size_t at = page.find("<b id=\"" + id + "\">");
  if (at == std::string::npos) return "";
  const size_t start = page.find('>', at) + 1;
  return page.substr(start, page.find("</b>", start) - start);
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

TEST(ReplayReport, ATunnelDriveShowsTheSummarysFiguresAsTwoPiecesFromAPageThatNeedsNothingOutside) {
  test::TempDir dir;
  // Forty seconds of fixes, twelve in a tunnel, forty more: a name with the characters HTML reserves.
  std::string capture;
  for (int s = 0; s < 92; ++s)
    capture += Cycle(s, s < 40 || s >= 52);
  const std::string name = dir / "tunnel & <\"drive\">.nmea";
  test::WriteFile(name, capture);
  mkdir((dir / "KivuRecord").c_str(), 0755);
  const std::string log = dir / "KivuRecord/gps20260323.txt";
  ReplayRun run = Replay(Quoted(name) + " --units imperial --pitch-source 1 --summary --report " +
                         dir / "r.html" + " --log " + log);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string page = test::ReadFile(dir / "r.html");

  // The dashboard's numbers at the end of the drive, in its imperial units.
  for (const char* key : {"distance", "maxSpeed", "avgSpeed", "minAltitude", "maxAltitude", "altitudeGap"})
    EXPECT_EQ(Figure(page, key), Field(run.out, std::string(key) + "Int")) << key;
  for (const char* key : {"pitchMin", "pitchMax", "rollMin", "rollMax"})
    EXPECT_EQ(Figure(page, key), Field(run.out, key)) << key;
  const float hours = std::stof(Field(run.out, "durationHours"));
  const int wholeHours = static_cast<int>(hours);
  char duration[16];
  std::snprintf(duration, sizeof duration, "%02d:%02d", wholeHours,
                static_cast<int>((hours - static_cast<float>(wholeHours)) * 60.0f));
  EXPECT_EQ(Figure(page, "duration"), duration);
  EXPECT_EQ(duration, std::string("00:01"));
  for (const auto& [key, unit] :
       {std::pair{"maxSpeed", "mph"}, {"maxAltitude", "ft"}, {"distance", "mile"}}) {
    EXPECT_NE(page.find("<b id=\"" + std::string(key) + "\">" + Field(run.out, std::string(key) + "Int") +
                        "</b> <span class=\"u\">" + unit + "</span>"),
              std::string::npos)
        << key;
  }

  // The tunnel: two pieces of track, of every time plot.
  EXPECT_EQ(Count(page, "<path class=\"line\""), 2u);
  EXPECT_EQ(Count(page, "<path class=\"speed\""), 2u);
  EXPECT_EQ(Count(page, "<path class=\"altitude\""), 2u);
  EXPECT_EQ(Count(page, "<path class=\"vertical\""), 2u);
  // UTC0 is the local time here; a drive of seconds has its ticks to the second.
  EXPECT_NE(page.find(">12:00:00</text>"), std::string::npos);
  ReplayRun tokyo = Replay(Quoted(name) + " --report " + dir / "tokyo.html", "JST-9");
  ASSERT_EQ(tokyo.status, 0) << tokyo.err;
  EXPECT_NE(test::ReadFile(dir / "tokyo.html").find(">21:00:00</text>"), std::string::npos);

  // The name escaped; nothing that would fetch or run anything.
  EXPECT_NE(page.find("<title>Drive report: tunnel &amp; &lt;&quot;drive&quot;&gt;.nmea</title>"),
            std::string::npos);
  EXPECT_EQ(page.find("<\"drive"), std::string::npos);
  for (const char* outside : {"http", "<script", "url(", "<img", "<link", "@import", "src=", "@font-face"})
    EXPECT_EQ(page.find(outside), std::string::npos) << outside;
  EXPECT_NE(page.find("@page{size:A4"), std::string::npos);
  EXPECT_NE(page.find("@media print{"), std::string::npos);

  // The day's message log the drive left is a capture of the same drive: the same page but its name.
  ReplayRun fromLog = Replay(log + " --units imperial --pitch-source 1 --report " + dir / "log.html");
  ASSERT_EQ(fromLog.status, 0) << fromLog.err;
  std::string again = test::ReadFile(dir / "log.html");
  const std::string escaped = "tunnel &amp; &lt;&quot;drive&quot;&gt;.nmea";
  EXPECT_EQ(Count(again, "gps20260323.txt"), 2u);
  for (size_t at; (at = again.find("gps20260323.txt")) != std::string::npos;)
    again.replace(at, 15, escaped);
  EXPECT_EQ(again, page);

  // Without a fix: a page that says so. A bad path fails before the replay and leaves the old file.
  test::WriteFile(dir / "none.nmea", Cycle(0, false) + Cycle(1, false));
  test::WriteFile(dir / "none.html", "older");
  ASSERT_EQ(Replay(dir / "none.nmea --report " + dir / "none.html").status, 0);
  const std::string none = test::ReadFile(dir / "none.html");
  EXPECT_NE(none.find("No fix in this capture"), std::string::npos) << none;
  EXPECT_EQ(none.find("<svg"), std::string::npos);
  test::WriteFile(dir / "empty.nmea", "");
  ASSERT_EQ(Replay(dir / "empty.nmea --report " + dir / "none.html").status, 0);
  EXPECT_NE(test::ReadFile(dir / "none.html").find("No fix in this capture"), std::string::npos);
  ReplayRun bad = Replay(dir / "none.nmea --fixes --report " + dir / "missing/r.html");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("kivu-replay: cannot write the report"), std::string::npos) << bad.err;
}

// A day's drive draws in the pixels it fills: a time plot keeps four points of a pixel column at most,
// spikes among them; the track keeps one point per pixel, and where each stretch starts and ends.
TEST(ReplayReport, TheDrawingsThinToTheirPixelsAndKeepSpikesAndEnds) {
  std::vector<TimedValue> values;
  for (int i = 0; i < 100000; ++i)
    values.push_back(TimedValue{1e9 + i, i == 50001 ? 1000 : 100 + i % 3, i == 60000});
  // In a locale with a decimal comma, whose numbers the drawing must not take.
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
  const std::string plot = TimePlotSvg(values, TimePlot{"Speed", "km/h", "speed"}, 1e9, 1e9 + 99999);
  std::setlocale(LC_NUMERIC, saved.c_str());
  const size_t lineAt = plot.find("<path class=\"speed\"");
  ASSERT_NE(lineAt, std::string::npos);
  const std::string line = plot.substr(lineAt);
  EXPECT_EQ(Count(line, "<path class=\"speed\""), 2u);
  EXPECT_LE(Count(line, "L") + Count(line, "M"), 4u * 908 + 8);
  EXPECT_GT(Count(line, "L") + Count(line, "M"), 908u);
  EXPECT_NE(line.find(",40.0"), std::string::npos) << "the spike to the plot's top was lost";

  std::vector<TrackPoint> track;
  for (int i = 0; i < 100000; ++i)
    track.push_back(TrackPoint{47.0 + i * 1e-6, 8.0 + i * 1e-6, i == 30000});
  const std::string drawing = TrackSvg(track);
  EXPECT_EQ(Count(drawing, "<path class=\"line\""), 2u);
  EXPECT_LT(Count(drawing, "L"), 1500u);
  // The first stretch ends where the second starts, a pixel apart at most.
  const size_t second = drawing.find("<path class=\"line\"", drawing.find("<path class=\"line\"") + 1);
  const size_t lastL = drawing.rfind('L', second);
  double x1, y1, x2, y2;
  ASSERT_EQ(std::sscanf(drawing.c_str() + lastL, "L%lf,%lf", &x1, &y1), 2);
  ASSERT_EQ(std::sscanf(drawing.c_str() + drawing.find('M', second), "M%lf,%lf", &x2, &y2), 2);
  EXPECT_LE(std::hypot(x2 - x1, y2 - y1), 1.5);

  // The scale bar measures the drawing: its pixels per metre are the track's, 0.1 degree of latitude
  // (11.1 km on the trip's sphere) from its first point to its last.
  double firstY, lastY, barWidth;
  ASSERT_EQ(std::sscanf(drawing.c_str() + drawing.find(" d=\"M") + 4, "M%*f,%lf", &firstY), 1);
  ASSERT_EQ(std::sscanf(drawing.c_str() + drawing.rfind('L', drawing.find("<circle")), "L%*f,%lf", &lastY),
            1);
  const size_t bar = drawing.find("<path class=\"scale\"");
  ASSERT_NE(bar, std::string::npos);
  ASSERT_EQ(std::sscanf(drawing.c_str() + drawing.find("v6h", bar), "v6h%lf", &barWidth), 1);
  int kilometres = 0;
  ASSERT_EQ(
      std::sscanf(drawing.c_str() + drawing.find('>', drawing.find("<text", bar)) + 1, "%d km<", &kilometres),
      1);
  const double pixelsPerMetre = (firstY - lastY) / (0.1 * 111319.49);
  EXPECT_NEAR(barWidth / (kilometres * 1000.0), pixelsPerMetre, 0.01 * pixelsPerMetre);
  EXPECT_LE(barWidth, 160);
  EXPECT_NE(TrackSvg(track, true).find(" mile</text>"), std::string::npos);
}

// The demo drive's report in Debian's chromium, as the page's readers open it: no complaint in the
// console, and a screenshot of the dark page with the drawings' colours on it.
TEST(ReplayReport, TheDemoDrivesReportOpensInChromiumWithoutAnErrorAndShowsItsColours) {
  if (std::system("command -v chromium >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "chromium is absent: the report is not opened in a browser";
  test::TempDir dir;
  ReplayRun run = Replay(test::SourcePath("res/demo/drive.nmea") + " --report " + dir / "demo.html");
  ASSERT_EQ(run.status, 0) << run.err;
  // Chromium keeps its profile and caches in a folder of its own, and wants the sandbox off as root and
  // where user namespaces are not given (a container).
  const std::string command =
      "HOME=" + dir.Path() + " timeout 120 chromium --headless --no-sandbox --disable-gpu" +
      " --disable-quic --no-first-run --disable-background-networking" +
      " --disable-component-update --disable-sync --enable-logging=stderr --v=0" +
      " --user-data-dir=" + dir / "profile" + " --screenshot=" + dir / "shot.png" +
      " --window-size=1200,1600 file://" + dir / "demo.html" + " >" + dir / "out" + " 2>" + dir / "err";
  ASSERT_EQ(std::system(command.c_str()), 0) << test::ReadFile(dir / "err");
  const std::string log = test::ReadFile(dir / "err");
  EXPECT_EQ(log.find(":CONSOLE"), std::string::npos) << log;
  std::optional<Bitmap> shot = ReadPng(dir / "shot.png");
  ASSERT_TRUE(shot) << log;
  ASSERT_EQ(shot->Width(), 1200);
  std::set<uint32_t> colours;
  size_t dark = 0;
  for (int y = 0; y < shot->Height(); ++y) {
    for (int x = 0; x < shot->Width(); ++x) {
      const uint32_t pixel = shot->Row(y)[x] & 0xffffff;
      colours.insert(pixel);
      dark += (pixel & 0xff) + (pixel >> 8 & 0xff) + (pixel >> 16 & 0xff) < 3 * 64;
    }
  }
  EXPECT_GT(colours.size(), 50u);
  EXPECT_GT(dark, static_cast<size_t>(shot->Width()) * shot->Height() * 6 / 10);  // a dark page
  // The track's green, the figures' cyan and the start's yellow, as the dashboard draws them.
  for (uint32_t colour : {0x00ff00u, 0x00ffffu, 0xffff00u})
    EXPECT_TRUE(colours.count(colour)) << std::hex << colour;
}

}  // namespace
}  // namespace kivu
