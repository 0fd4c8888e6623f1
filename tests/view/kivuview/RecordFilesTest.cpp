// The two record files as the view switches them: the track file of the day and the GPS message log.
#include <gtest/gtest.h>

#include <unistd.h>

#include <condition_variable>
#include <mutex>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gps/NmeaTestUtil.h"
#include "platform/Diagnostics.h"
#include "support/TestSupport.h"
#include "trip/TripTestUtil.h"
#include "view/KivuView.h"
#include "view/kivuview/ViewTestUtil.h"

namespace kivu {
namespace {

using test::MakeFix;
using test::Sentence;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start) + "<no CR LF>");
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// True when the text between '$' and '*' sums to the two hexadecimal digits after '*'.
bool ChecksumHolds(const std::string& line) {
  size_t star = line.find('*');
  if (line.empty() || line[0] != '$' || star == std::string::npos || star + 3 != line.size()) return false;
  unsigned sum = 0;
  for (size_t i = 1; i < star; ++i)
    sum += static_cast<unsigned char>(line[i]);
  return std::stoul(line.substr(star + 1), nullptr, 16) == sum % 256;
}

// A view on 7 December in Central European time, its record folder a fresh one.
class RecordFiles : public ::testing::Test {
 protected:
  RecordFiles() {
    AppSettings settings;
    settings.recordFolder = dir.Path();
    view = std::make_unique<CKivuView>(window, settings, clock);
  }

  test::CentralEuropeanTime zone;
  test::TempDir dir;
  test::RecordingWindow window;
  test::SetClock clock{test::kDecember7At1303Utc};
  std::unique_ptr<CKivuView> view;
};

class TrackRecording : public RecordFiles {
 protected:
  TrackRecording() { view->StartTrip(); }
  void Drive(int seconds) {
    for (int i = 0; i < seconds; ++i) {
      view->OnGpsFix(MakeFix({.second = second_,
                              .latitude = 48.1173,
                              .longitude = -3.7038 - 0.0001 * second_,
                              .knots = 22.4f,
                              .course = 84.4f,
                              .altitude = 519.6f}));
      ++second_;
    }
  }
  std::string TrackOfTheDay() const { return dir / "track20261207.txt"; }

  int second_ = 0;
};

TEST_F(TrackRecording, StartsAtTheSecondFixWithLocalTimeAndInternalUnits) {
  view->Settings().unitSelection = 1;  // imperial on the dashboard, not in the file
  view->SetRecordTrack(true);
  EXPECT_TRUE(window.messages.empty());
  ASSERT_TRUE(view->Trip().IsRecordingTrack());
  Drive(1);
  EXPECT_TRUE(test::FileExists(TrackOfTheDay()));
  EXPECT_EQ(test::ReadFile(TrackOfTheDay()), "");  // the first fix writes nothing
  Drive(2);
  std::vector<std::string> lines = Lines(test::ReadFile(TrackOfTheDay()));
  ASSERT_EQ(lines.size(), 2u);
  // 14:03:07 local; west of Greenwich is negative; 519.6 m prints as 520; 22.4 knots, not mph.
  EXPECT_EQ(lines[0].rfind("$TRACK,140307,20261207,48.1173,-3.7039,520,M,84.4,22.4,", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("$TRACK,140307,20261207,48.1173,-3.7040,520,M,84.4,22.4,", 0), 0u) << lines[1];
  for (const std::string& line : lines)
    EXPECT_TRUE(ChecksumHolds(line)) << line;
}

TEST_F(TrackRecording, SwitchingOffAndOnAgainTheSameDayAppendsToTheSameFile) {
  view->SetRecordTrack(true);
  Drive(3);  // two lines
  view->SetRecordTrack(false);
  EXPECT_FALSE(view->Trip().IsRecordingTrack());
  Drive(2);  // not recorded
  clock.Set(test::kDecember7At1303Utc + 3600);
  view->SetRecordTrack(true);
  view->SetRecordTrack(true);  // already on: nothing more
  Drive(1);
  clock.Pass(10);  // the fix was lost
  Drive(1);
  std::vector<std::string> lines = Lines(test::ReadFile(TrackOfTheDay()));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2].rfind("$TRACK,150307,20261207,", 0), 0u) << lines[2];
  EXPECT_TRUE(window.messages.empty());
  // The day's GPX beside it: a segment for each opening and one after the loss, a point per line.
  const std::string gpx = test::ReadFile(dir / "track20261207.gpx");
  size_t segments = 0, points = 0;
  for (size_t at = gpx.find("<trkseg>"); at != std::string::npos; at = gpx.find("<trkseg>", at + 1))
    ++segments;
  for (size_t at = gpx.find("<trkpt "); at != std::string::npos; at = gpx.find("<trkpt ", at + 1))
    ++points;
  EXPECT_EQ(segments, 3u) << gpx;
  EXPECT_EQ(points, 4u) << gpx;
  EXPECT_NE(gpx.find("<name>2026-12-07</name>"), std::string::npos) << gpx;
}

TEST_F(TrackRecording, AFileOpenedBeforeMidnightStaysInUseAfterIt) {
  clock.Set(test::kDecember7At2259Utc);
  view->SetRecordTrack(true);
  Drive(2);
  clock.Set(test::kDecember7At2259Utc + 2);
  Drive(1);
  std::vector<std::string> lines = Lines(test::ReadFile(TrackOfTheDay()));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("$TRACK,235959,20261207,", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("$TRACK,000001,20261208,", 0), 0u) << lines[1];
  EXPECT_FALSE(test::FileExists(dir / "track20261208.txt"));
}

TEST_F(TrackRecording, AStepOfTheWallClockMovesTheTimeStampsButNotTheTrip) {
  view->SetRecordTrack(true);
  Drive(2);
  clock.Pass(900);
  clock.StepWall(-3600);  // the network sets the clock an hour back
  Drive(1);
  EXPECT_FLOAT_EQ(view->Stats().durationHours, 0.25f);
  clock.Pass(900);
  clock.StepWall(3 * 86400);  // and then three days on
  Drive(1);
  EXPECT_FLOAT_EQ(view->Stats().durationHours, 0.5f);
  std::vector<std::string> lines = Lines(test::ReadFile(TrackOfTheDay()));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].rfind("$TRACK,131807,20261207,", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2].rfind("$TRACK,133307,20261210,", 0), 0u) << lines[2];
}

TEST_F(TrackRecording, AFailedOpenSaysSoOnceAndRecordsNothing) {
  view->Settings().recordFolder = dir / "no-such-folder/";
  view->SetRecordTrack(true);
  ASSERT_EQ(window.messages, std::vector<std::string>{"Open file failed!"});
  EXPECT_FALSE(view->Trip().IsRecordingTrack());
  Drive(3);
  EXPECT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(view->Stats().speedInt, 41);  // the trip goes on: 41.48 + 0.5
  // Switching on again tries again.
  view->Settings().recordFolder = dir.Path();
  view->SetRecordTrack(true);
  Drive(1);
  EXPECT_EQ(Lines(test::ReadFile(TrackOfTheDay())).size(), 1u);
}

TEST_F(TrackRecording, AFixFarOutsideItsRangesLeavesNoLineAndTheNextOneIsWritten) {
  view->SetRecordTrack(true);
  Drive(2);
  GpsFix wild = MakeFix({.second = 50, .latitude = 1e300, .knots = 22.4f});
  view->OnGpsFix(wild);
  Drive(1);
  std::vector<std::string> lines = Lines(test::ReadFile(TrackOfTheDay()));
  ASSERT_EQ(lines.size(), 2u);
  for (const std::string& line : lines)
    EXPECT_TRUE(ChecksumHolds(line)) << line;
}

// Deliveries as the reader thread takes them from the port, each followed by a quiet line.
std::string Rmc(const char* time, const char* status = "A") {
  return Sentence(std::string("GPRMC,") + time + "," + status +
                  ",4807.038,N,01131.000,E,022.4,084.4,071226,003.1,W");
}
std::string Gga(const char* time) {
  return Sentence(std::string("GPGGA,") + time + ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
}
const std::string kGsv = Sentence("GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00");

void Read(CGpsParser& receiver, const std::string& text) {
  receiver.HandleBytes(text.data(), text.size());
  receiver.HandleQuietLine();
}

class MessageLog : public RecordFiles {
 protected:
  MessageLog() { view->SetReceiver(std::make_unique<CGpsParser>()); }
  std::string LogOfTheDay() const { return dir / "gps20261207.txt"; }
};

TEST_F(MessageLog, HoldsEachHandledCycleRmcFirstByteForByte) {
  CGpsParser& receiver = *view->Receiver();
  receiver.SetRecordMessages(dir.Path(), true);
  EXPECT_TRUE(receiver.RecordMessages());
  Read(receiver, kGsv + Gga("130307.00") + Rmc("130307.00"));
  Read(receiver, Rmc("130307.00") + Gga("130307.00"));  // the same second: not logged
  Read(receiver, kGsv + Gga("130308.00"));              // no RMC: not logged
  // No fix, with a sentence that arrives in two reads.
  const std::string gga = Gga("130309.00");
  receiver.HandleBytes((Rmc("130309.00", "V") + gga.substr(0, 20)).data(), Rmc("130309.00", "V").size() + 20);
  receiver.HandleBytes(gga.data() + 20, gga.size() - 20);
  Read(receiver, "$GPGGA,1303");  // cut short by the next sentence: never logged
  Read(receiver, Rmc("130310.00"));
  EXPECT_EQ(test::ReadFile(LogOfTheDay()),
            Rmc("130307.00") + kGsv + Gga("130307.00") + Rmc("130309.00", "V") + gga + Rmc("130310.00"));
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(MessageLog, SwitchingOffAndOnTheSameDayAppendsAndAFailedOpenSaysSo) {
  CGpsParser& receiver = *view->Receiver();
  receiver.SetRecordMessages(dir.Path(), true);
  Read(receiver, Rmc("130307"));
  receiver.SetRecordMessages(dir.Path(), false);
  EXPECT_FALSE(receiver.MessageLog().IsOpen());
  Read(receiver, Rmc("130308"));
  clock.Set(test::kDecember7At1303Utc + 60);
  receiver.SetRecordMessages(dir.Path(), true);
  Read(receiver, Rmc("130409"));
  EXPECT_EQ(test::ReadFile(LogOfTheDay()), Rmc("130307") + Rmc("130409"));

  receiver.SetRecordMessages(dir.Path(), false);
  receiver.SetRecordMessages(dir / "missing/", true);
  EXPECT_EQ(window.messages, std::vector<std::string>{"Open file failed!"});
  EXPECT_TRUE(receiver.RecordMessages());  // the setting keeps its value
  EXPECT_FALSE(receiver.MessageLog().IsOpen());
  Read(receiver, Rmc("130410"));
  EXPECT_EQ(test::ReadFile(LogOfTheDay()), Rmc("130307") + Rmc("130409"));
}

TEST_F(MessageLog, ALinkNamedLikeTheDaysFileIsRefusedAndWhatItPointsToLeftAlone) {
  // One link to a file elsewhere, one to a file that is not there yet.
  test::TempDir elsewhere;
  test::WriteFile(elsewhere / "passwd", "root:x:0:0::/root:/bin/sh\n");
  ASSERT_EQ(symlink((elsewhere / "passwd").c_str(), (dir / "track20261207.txt").c_str()), 0);
  ASSERT_EQ(symlink((elsewhere / "new").c_str(), LogOfTheDay().c_str()), 0);
  std::vector<std::string> said;
  DiagnosticCapture capture([&](DiagnosticLevel, const std::string& line) { said.push_back(line); });
  view->StartTrip();
  view->SetRecordTrack(true);
  CGpsParser& receiver = *view->Receiver();
  receiver.SetRecordMessages(dir.Path(), 1);
  EXPECT_FALSE(view->Trip().IsRecordingTrack());
  EXPECT_FALSE(receiver.MessageLog().IsOpen());
  EXPECT_EQ(window.messages, (std::vector<std::string>{"Open file failed!", "Open file failed!"}));
  EXPECT_EQ(
      said,
      (std::vector<std::string>{
          "kivu: the track file " + dir / "track20261207.txt" + " is a symbolic link; it is not written\n",
          "kivu: the GPS message log " + LogOfTheDay() + " is a symbolic link; it is not written\n"}));
  Read(receiver, Rmc("130307") + Gga("130307"));
  Read(receiver, Rmc("130308") + Gga("130308"));
  EXPECT_EQ(test::ReadFile(elsewhere / "passwd"), "root:x:0:0::/root:/bin/sh\n");
  EXPECT_FALSE(test::FileExists(elsewhere / "new"));
}

TEST_F(MessageLog, AReaderWritingWhileTheLogIsSwitchedLeavesOnlyWholeBlocks) {
  CGpsParser& receiver = *view->Receiver();
  // Blocks of different lengths, each with its own second.
  std::vector<std::string> blocks;
  for (int i = 0; i < 3000; ++i) {
    char time[16];
    std::snprintf(time, sizeof time, "%02d%02d%02d", 10 + i / 3600, i / 60 % 60, i % 60);
    std::string block = Rmc(time);
    for (int k = 0; k < i % 7; ++k)
      block += kGsv;
    blocks.push_back(block + Gga(time));
  }
  // The user-interface thread switches the log on and off while the reader reads. A handshake keeps
  // the two in step, about two blocks a switch, with a switch's slack either way, so that switches
  // meet writes in progress and no thread can run through the whole test alone.
  const int total = static_cast<int>(blocks.size());
  std::mutex mutex;
  std::condition_variable changed;
  int handled = 0, switches = 0;
  std::thread reader([&] {
    for (const std::string& block : blocks) {
      Read(receiver, block);
      std::unique_lock lock(mutex);
      ++handled;
      changed.notify_all();
      // After the last block there is nothing to wait for: the switching thread may be done already.
      changed.wait(lock, [&] { return handled == total || switches >= handled / 2 - 1; });
    }
  });
  for (;;) {
    receiver.SetRecordMessages(dir.Path(), switches % 2 == 0);
    std::unique_lock lock(mutex);
    ++switches;
    changed.notify_all();
    changed.wait(lock, [&] { return handled >= std::min(2 * switches, total); });
    if (handled == total) break;
  }
  reader.join();
  // The reader waits for switch h / 2 - 1 after each block h but the last.
  EXPECT_GE(switches, (total - 1) / 2 - 1);
  receiver.SetRecordMessages(dir.Path(), false);

  // The log is some of the blocks, in order, each whole.
  const std::string log = test::ReadFile(LogOfTheDay());
  size_t at = 0, next = 0;
  int logged = 0;
  while (at < log.size()) {
    while (next < blocks.size() && log.compare(at, blocks[next].size(), blocks[next]) != 0)
      ++next;
    ASSERT_LT(next, blocks.size()) << "a torn block at byte " << at;
    at += blocks[next].size();
    ++next;
    ++logged;
  }
  EXPECT_GT(logged, 0) << switches << " switches";
  EXPECT_LT(logged, total) << switches << " switches";
}

}  // namespace
}  // namespace kivu
