// A recorded drive played through a pseudo-terminal reaches the receiver as from a real device.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "gps/CaptureFeeder.h"
#include "gps/CaptureReplay.h"
#include "gps/GpsParser.h"
#include "gps/NmeaTestUtil.h"
#include "gps/ReceiverTestUtil.h"
#include "platform/SerialPort.h"

namespace kivu {
namespace {

using namespace std::chrono_literals;
using test::Sentence;

std::string Second(int s) {
  char time[16];
  std::snprintf(time, sizeof time, "1200%02d", s);
  return Sentence(std::string("GPRMC,") + time + ",A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W") +
         Sentence(std::string("GPGGA,") + time + ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
}

TEST(CaptureCycles, EachPieceIsOneCycleOfTheReceiverWithoutTheNotes) {
  // A receiver that sends GGA before RMC: a cycle starts at the sentence that brings a new time.
  std::string gsa = Sentence("GPGSA,A,3,17,28,06,01,30,20,26,13,,,,,1.8,1.1,1.5");
  std::string ggaFirst = Sentence("GPGGA,120001,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") + gsa +
                         Sentence("GPRMC,120001,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");
  std::string capture =
      "# Name: a receiver\nheader\n" + Second(0) + "# a note\n" + ggaFirst + Second(2) + "tail";
  std::vector<std::string> cycles = SplitCaptureIntoCycles(capture);
  ASSERT_EQ(cycles.size(), 3u);
  EXPECT_EQ(cycles[0], "header\n" + Second(0));
  EXPECT_EQ(cycles[1], ggaFirst);
  EXPECT_EQ(cycles[2], Second(2) + "tail");
  std::vector<CapturedCycle> timed = SplitCaptureIntoTimedCycles(capture);
  ASSERT_EQ(timed.size(), 3u);
  EXPECT_EQ(timed[1].timeOfDay, (12 * 3600 + 1) * 1000);
  EXPECT_EQ(timed[1].bytes, ggaFirst);
  EXPECT_TRUE(SplitCaptureIntoCycles("").empty());
  EXPECT_EQ(SplitCaptureIntoCycles("no sentences"), std::vector<std::string>{"no sentences"});
}

TEST(CaptureFeeding, ReceiverGetsEveryBurstAsAFix) {
  std::string capture;
  for (int s = 0; s < 5; ++s)
    capture += Second(s + 1);
  std::unique_ptr<CaptureFeeder> feeder = CaptureFeeder::Start(capture, 20ms);
  ASSERT_TRUE(feeder);
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<int> seconds;
  DirectFixOwner owner([&](const GpsFix& fix) {
    std::lock_guard lock(mutex);
    seconds.push_back(fix.utcTime.second);
    arrived.notify_all();
  });
  {
    CGpsParser receiver;
    receiver.SetSource(test::Ports({feeder->PortPath()}));
    ASSERT_TRUE(receiver.Start(&owner));
    std::unique_lock lock(mutex);
    EXPECT_TRUE(arrived.wait_for(lock, 5s, [&] { return seconds.size() == 5; }));
    EXPECT_EQ(seconds, (std::vector<int>{1, 2, 3, 4, 5}));
  }
  EXPECT_TRUE(feeder->WaitUntilFinished(5s));
  EXPECT_EQ(feeder->BurstsWritten(), 5u);
}

TEST(CaptureFeeding, StopsPromptlyInTheMiddleOfALongWait) {
  std::unique_ptr<CaptureFeeder> feeder = CaptureFeeder::Start(Second(1) + Second(2), 1h);
  ASSERT_TRUE(feeder);
  test::HangGuard guard("stopping a feeder that waits an hour");
  feeder.reset();
}

}  // namespace
}  // namespace kivu
