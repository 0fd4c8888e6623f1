// The day's GPX beside the track file: a document map programs read after every point, through a
// lost fix and a second run, a full storage, and things that are not Kivu's file in its place.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/ChildProcess.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"
#include "trip/TrackLine.h"
#include "trip/TripRecorder.h"
#include "trip/TripTestUtil.h"

namespace kivu {
namespace {

constexpr int64_t kNow = 1'796'800'000;  // the wall clock: names the day's files

std::string DayFile(const test::TempDir& dir, const char* extension) {
  LocalTime local;
  ToLocalTime(kNow, local);
  std::string path = TrackFileName(dir.Path(), local);
  return path.replace(path.size() - 3, 3, extension);
}

size_t Count(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++count;
  return count;
}

// One fix a second along a road; the first fix of a recorder only seeds it and writes no line.
void Drive(TripRecorder& trip, int& second, int fixes, const std::function<void()>& afterEachLine = {}) {
  for (int i = 0; i < fixes; ++i, ++second) {
    const GpsFix fix =
        test::MakeFix({.second = second % 60, .latitude = 48.0 + second * 1e-4, .knots = 30, .course = 45});
    if (!trip.TakeFix(fix)) continue;
    trip.UpdateTripStats(second, {}, false);
    trip.WriteTrackLine(kNow + second);
    if (afterEachLine) afterEachLine();
  }
}

TEST(LiveGpx, IsValidAfterEveryPointThroughALossAndASecondRun) {
  if (!test::CanValidateGpx())
    GTEST_SKIP() << "xmllint (libxml2-utils) or ../shared/gpx/gpx.xsd is absent: the schema check is skipped";
  test::TempDir dir;
  const std::string gpx = DayFile(dir, "gpx");
  int second = 0;
  const auto check = [&] { EXPECT_EQ(test::GpxSchemaComplaint(gpx), ""); };
  {
    TripRecorder trip;
    ASSERT_TRUE(trip.OpenDailyTrackFile(dir.Path(), kNow));
    check();  // a track with no point yet is a document too
    Drive(trip, second, 4, check);
    trip.EndGpxSegment();  // the fix was lost
    trip.EndGpxSegment();  // and stays lost: still one new segment
    Drive(trip, second, 2, check);
  }  // the recorder goes without closing anything: a kill leaves the file as it was after its point
  TripRecorder again;
  ASSERT_TRUE(again.OpenDailyTrackFile(dir.Path(), kNow));
  Drive(again, second, 3, check);
  again.CloseTrackFile();
  EXPECT_FALSE(again.IsRecordingTrack());

  const std::string text = test::ReadFile(gpx);
  EXPECT_EQ(Count(text, "<trkseg>"), 3u) << text;
  EXPECT_EQ(Count(text, "<trkpt "), 3u + 2u + 2u) << text;  // one per track line
  EXPECT_EQ(Count(test::ReadFile(DayFile(dir, "txt")), "\n"), 7u);
  EXPECT_EQ(Count(text, "<gpx "), 1u);
  EXPECT_TRUE(text.ends_with("</trkpt>\n  </trkseg>\n </trk>\n</gpx>\n")) << text;
}

TEST(LiveGpx, AFullStorageLeavesTheDocumentWholeAndSaysSoOnce) {
  test::TempDir dir;
  const std::string gpx = DayFile(dir, "gpx");
  const std::string err = dir / "err.txt";
  // In a child whose files may grow 100 bytes past the GPX after two points: the third point gets
  // part of its write in, the ones after nothing.
  test::ChildOutcome outcome = test::RunInChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (errFd < 0 || dup2(errFd, 2) < 0) return 10;
    TripRecorder trip;
    if (!trip.OpenDailyTrackFile(dir.Path(), kNow)) return 11;
    int second = 0;
    Drive(trip, second, 3);
    struct stat st {};
    if (stat(gpx.c_str(), &st) != 0) return 12;
    const rlim_t size = static_cast<rlim_t>(st.st_size) + 100;
    struct rlimit limit = {size, size};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 13;
    Drive(trip, second, 3);
    return 0;
  });
  ASSERT_TRUE(outcome.exited);
  ASSERT_EQ(outcome.code, 0);
  const std::string text = test::ReadFile(gpx);
  EXPECT_EQ(Count(text, "<trkpt "), 2u) << text;
  EXPECT_TRUE(text.ends_with("</trkpt>\n  </trkseg>\n </trk>\n</gpx>\n")) << text;
  EXPECT_EQ(test::GpxSchemaComplaint(gpx), "");
  const std::string complaint = test::ReadFile(err);
  EXPECT_EQ(Count(complaint, gpx), 1u) << complaint;

  // The file the failure left is Kivu's still: a next run continues it.
  TripRecorder trip;
  ASSERT_TRUE(trip.OpenDailyTrackFile(dir.Path(), kNow));
  int second = 10;
  Drive(trip, second, 2);
  EXPECT_EQ(Count(test::ReadFile(gpx), "<trkpt "), 3u);
  EXPECT_EQ(test::GpxSchemaComplaint(gpx), "");
}

TEST(LiveGpx, SomethingElseInItsPlaceIsLeftAloneAndTheTrackGoesOn) {
  enum class Kind { Fifo, Folder, Foreign, Damaged };
  for (Kind kind : {Kind::Fifo, Kind::Folder, Kind::Foreign, Kind::Damaged}) {
    SCOPED_TRACE(static_cast<int>(kind));
    test::TempDir dir;
    const std::string gpx = DayFile(dir, "gpx");
    std::string before;
    if (kind == Kind::Fifo) {
      ASSERT_EQ(mkfifo(gpx.c_str(), 0644), 0);
    } else if (kind == Kind::Folder) {
      ASSERT_EQ(mkdir(gpx.c_str(), 0755), 0);
    } else {
      // A document of another program, and one of Kivu's cut short within its last point.
      before = kind == Kind::Foreign
                   ? "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"x\"></gpx>\n"
                   : "<?xml version=\"1.0\"?>\n<gpx>\n <trk>\n  <trkseg>\n   <trkpt lat=\"4";
      test::WriteFile(gpx, before);
    }
    std::vector<std::string> lines;
    DiagnosticCapture capture([&](DiagnosticLevel, const std::string& line) { lines.push_back(line); });
    TripRecorder trip;
    ASSERT_TRUE(trip.OpenDailyTrackFile(dir.Path(), kNow));  // a FIFO without a reader does not block
    int second = 0;
    Drive(trip, second, 3);
    trip.CloseTrackFile();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(gpx), std::string::npos) << lines[0];
    EXPECT_EQ(Count(test::ReadFile(DayFile(dir, "txt")), "\n"), 2u);
    if (!before.empty()) {
      EXPECT_EQ(test::ReadFile(gpx), before);
    }
  }
}

}  // namespace
}  // namespace kivu
