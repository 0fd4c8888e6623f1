// The receiver: how a run picks its source; on real pseudo-terminals enumeration, opening, reads,
// unplugging and shutdown while the reader waits; and, fed directly, the cycles it hands on.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gps/GpsParser.h"
#include "gps/NmeaTestUtil.h"
#include "gps/ReceiverTestUtil.h"
#include "gps/SerialSource.h"
#include "platform/SerialPort.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using namespace std::chrono_literals;
using test::FixRecorder;
using test::HangGuard;
using test::Ports;
using test::PseudoTerminal;
using test::Sentence;

std::string Burst(const char* time, const char* latitude = "4807.038") {
  return Sentence(std::string("GPRMC,") + time + ",A," + latitude +
                  ",N,01131.000,E,022.4,084.4,230394,003.1,W") +
         Sentence(std::string("GPGGA,") + time + "," + latitude +
                  ",N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") +
         Sentence("GPGSV,3,1,11,13,25,066,21");
}

// Writes a burst a second, times from hourMinute + "01" on, until the owner holds count fixes: a port
// that the reader takes up again drops what was written before, and the reader looks for it only
// once a second.
bool WriteBurstsUntilFixes(PseudoTerminal& pty, FixRecorder& owner, size_t count, const char* hourMinute) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  for (int second = 1; second < 60 && std::chrono::steady_clock::now() < deadline; ++second) {
    char time[16];
    std::snprintf(time, sizeof time, "%s%02d", hourMinute, second);
    pty.Write(Burst(time));
    if (owner.WaitForFixes(count, 200ms)) return true;
  }
  return false;
}

TEST(GpsSourcePolicy, TheCommandLineWinsOverTheEnvironmentWhichWinsOverTheSetting) {
  unsetenv("KIVU_GPSD");
  unsetenv("KIVU_PORTS");
  GpsSourcePolicy policy;
  policy.portTable = {"/dev/t"};
  EXPECT_EQ(policy.For("/dev/a"), Ports({"/dev/a"}));
  EXPECT_EQ(policy.For("").ports, std::vector<std::string>{"/dev/t"});
  EXPECT_EQ(policy.For("").kind, GpsSourceKind::Automatic);
  setenv("KIVU_PORTS", "/dev/x::/dev/y", 1);
  EXPECT_EQ(policy.For("/dev/a"), Ports({"/dev/x", "/dev/y"}));
  policy.commandLine = Ports({"/dev/z"});
  EXPECT_EQ(policy.For("/dev/a"), Ports({"/dev/z"}));
  unsetenv("KIVU_PORTS");
  EXPECT_EQ(SerialPortPaths().size(), 16u);
  EXPECT_EQ(SerialPortPaths().front(), "/dev/ttyACM0");
}

TEST(ReceiverPorts, EnumerationListsFreeAndHeldPortsButNotMissingOnes) {
  PseudoTerminal held, free;
  test::TempDir dir;
  const std::vector<std::string> table = {held.SlavePath(), dir / "missing", free.SlavePath()};
  // Another program holds the first port.
  UniqueFd holder(open(held.SlavePath().c_str(), O_RDWR | O_NOCTTY));
  ASSERT_TRUE(holder);
  ASSERT_EQ(flock(holder.Get(), LOCK_EX | LOCK_NB), 0);

  SerialPortSource ports(table);
  ports.EnumPorts();
  EXPECT_EQ(ports.PortPaths(), (std::vector<std::string>{held.SlavePath(), free.SlavePath()}));

  FixRecorder owner;
  CGpsParser receiver;
  receiver.SetSource(Ports(table));
  ASSERT_TRUE(receiver.Start(&owner));
  EXPECT_EQ(receiver.PortPath(), free.SlavePath());
}

TEST(ReceiverPorts, StartFailsWhenNoPortExistsAndSaysWhyForEachPortTried) {
  test::TempDir dir;
  test::WriteFile(dir / "file", "$GPRMC\n");
  FixRecorder owner;
  CGpsParser receiver;
  receiver.SetSource(Ports({dir / "a", "/dev/null", dir / "file"}));
  EXPECT_EQ(test::Said([&] { EXPECT_FALSE(receiver.Start(&owner)); }),
            "kivu: GPS port " + dir / "a" + ": No such file or directory\n" +
                "kivu: GPS port /dev/null: not a serial port\n" + "kivu: GPS port " + dir / "file" +
                ": not a serial port\n");
  // A port forbidden to us names the group that may open it.
  EXPECT_EQ(
      DescribeOpenFailure("/nonexistent/ttyUSB0", Result::Failure(EACCES)),
      "GPS port /nonexistent/ttyUSB0: Permission denied (add your user to the 'dialout' group and log in "
      "again)");
}

TEST(ReceiverPorts, EveryPortHeldStillStartsAndTakesThePortWhenItIsFreed) {
  PseudoTerminal pty;
  UniqueFd holder(open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY));
  ASSERT_EQ(flock(holder.Get(), LOCK_EX | LOCK_NB), 0);
  FixRecorder owner;
  CGpsParser receiver;
  receiver.SetSource(Ports({pty.SlavePath()}));
  EXPECT_EQ(test::Said([&] { EXPECT_TRUE(receiver.Start(&owner)); }),
            "kivu: GPS port " + pty.SlavePath() + ": in use by another program\n" +
                "kivu: no GPS port could be opened; trying again every second\n");
  EXPECT_EQ(receiver.PortPath(), "");
  holder.Reset();
  EXPECT_TRUE(WriteBurstsUntilFixes(pty, owner, 1, "1200"));
}

class ReceiverOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    receiver_.SetSource(Ports({pty_.SlavePath()}));
    ASSERT_TRUE(receiver_.Start(&owner_));
  }

  PseudoTerminal pty_;
  FixRecorder owner_;
  CGpsParser receiver_;
};

TEST_F(ReceiverOnPty, BurstBecomesOneFix) {
  pty_.Write(Burst("123519"));
  ASSERT_TRUE(owner_.WaitForFixes(1));
  GpsFix fix = owner_.Fixes()[0];
  EXPECT_EQ(fix.utcTime.second, 19);
  EXPECT_NEAR(fix.latitude, 48.1173, 1e-9);
  EXPECT_EQ(fix.altitude, 545.4f);
  EXPECT_EQ(fix.satellitesInView, 11);
}

TEST(ReceiverReads, PiecesThatCollectWhileTheViewIsBusyAreOneRead) {
  // While the owner handles a fix the reader waits, and what arrives meanwhile collects in the port's
  // queue: the next read takes it whole, the RMC with the sentences after it.
  PseudoTerminal pty;
  std::mutex mutex;
  std::condition_variable changed;
  bool busy = true, entered = false;
  std::vector<GpsFix> fixes;
  class GateOwner final : public GpsFixOwner {
   public:
    explicit GateOwner(std::function<void(const GpsFix&)> f) : f_(std::move(f)) {}
    bool SendGpsFix(const GpsFix& fix) override { return f_(fix), true; }
    void RefuseGpsFixes() override {}
    std::function<void(const GpsFix&)> f_;
  } owner([&](const GpsFix& fix) {
    std::unique_lock lock(mutex);
    fixes.push_back(fix);
    entered = true;
    changed.notify_all();
    changed.wait(lock, [&] { return !busy || fixes.size() > 1; });
  });
  CGpsParser receiver;
  receiver.SetSource(Ports({pty.SlavePath()}));
  ASSERT_TRUE(receiver.Start(&owner));
  pty.Write(Burst("120000"));
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, 5s, [&] { return entered; }));
  }
  std::string burst = Burst("120001", "1000.000");
  for (size_t i = 0; i < burst.size(); i += 40)
    pty.Write(burst.substr(i, 40));
  {
    std::unique_lock lock(mutex);
    busy = false;
    changed.notify_all();
    ASSERT_TRUE(changed.wait_for(lock, 5s, [&] { return fixes.size() >= 2; }));
    EXPECT_DOUBLE_EQ(fixes[1].latitude, 10.0);
    EXPECT_EQ(fixes[1].altitude, 545.4f);
    EXPECT_EQ(fixes[1].utcTime.second, 1);
  }
}

// What the reader hands on, fed directly: each read followed by the quiet line that ends its cycle.
class ReceiverFed : public ::testing::Test {
 protected:
  void SetUp() override { receiver_.SetOwner(&owner_); }
  void Read(const std::string& bytes) {
    receiver_.HandleBytes(bytes.data(), bytes.size());
    receiver_.HandleQuietLine();
  }

  FixRecorder owner_;
  CGpsParser receiver_;
};

TEST_F(ReceiverFed, RepeatedSecondIsIgnoredAndAFirstOneAtMidnightIsNoRepeat) {
  Read(Burst("000000.00"));
  Read(Burst("000000.00", "1000.000"));
  Read(Burst("000001.00", "2000.000"));
  std::vector<GpsFix> fixes = owner_.Fixes();
  ASSERT_EQ(fixes.size(), 2u);
  EXPECT_NEAR(fixes[0].latitude, 48.1173, 1e-9);
  EXPECT_EQ(fixes[1].utcTime.second, 1);
  EXPECT_DOUBLE_EQ(fixes[1].latitude, 20.0);
}

TEST_F(ReceiverFed, ReadWithoutRmcIsDropped) {
  Read(Sentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,999.0,M,46.9,M,,") +
       Sentence("GPGSV,3,1,11,13,25,066,21"));
  Read(Sentence("GPRMC,123520,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"));
  ASSERT_EQ(owner_.Count(), 1u);
  EXPECT_EQ(owner_.Fixes()[0].altitude, 0.0f);
  EXPECT_EQ(owner_.Fixes()[0].satellitesInView, 0);
}

TEST_F(ReceiverOnPty, ReadOfExactly1024BytesIsParsed) {
  std::string burst = Burst("123519");
  std::string filler = Sentence("GPGSV,3,2,11,13,25,066,21");
  while (burst.size() + filler.size() < 1024)
    burst += filler;
  burst += std::string(1024 - burst.size(), 'x');
  ASSERT_EQ(burst.size(), 1024u);
  pty_.Write(burst);
  ASSERT_TRUE(owner_.WaitForFixes(1));
  EXPECT_EQ(owner_.Fixes()[0].altitude, 545.4f);
}

TEST(ReceiverUnplug, PortThatHangsUpIsReopenedWhenItComesBack) {
  // The port is a link, as udev makes them; a new pseudo-terminal behind it stands for the receiver
  // plugged in again.
  test::TempDir dir;
  std::string link = dir / "gps0";
  auto first = std::make_unique<PseudoTerminal>();
  std::filesystem::create_symlink(first->SlavePath(), link);
  FixRecorder owner;
  CGpsParser receiver;
  receiver.SetSource(Ports({link}));
  ASSERT_TRUE(receiver.Start(&owner));
  first->Write(Burst("120000"));
  ASSERT_TRUE(owner.WaitForFixes(1));

  first->CloseMaster();  // pulled out
  std::filesystem::remove(link);
  PseudoTerminal second;
  std::filesystem::create_symlink(second.SlavePath(), link);
  EXPECT_TRUE(WriteBurstsUntilFixes(second, owner, 2, "1201"));
}

TEST_F(ReceiverOnPty, HungUpPortDoesNotSpin) {
  pty_.CloseMaster();
  ASSERT_TRUE(receiver_.WaitForProgress([&] { return receiver_.PortPath().empty(); }, 5s));
  // The outage itself is what is tested: time with nothing to wait for, which the reader must sleep
  // through. A third of a second is a third of its look-again interval, and a spinning reader would
  // use all of it.
  const double cpuBefore = test::ProcessCpuSeconds();
  std::this_thread::sleep_for(300ms);
  EXPECT_LT(test::ProcessCpuSeconds() - cpuBefore, 0.1);  // a spinning reader would burn the whole 0.3 s
}

// An owner whose handler never returns by itself, like a user-interface thread that is busy
// destroying the receiver: only the refusal releases the reader.
class BlockingOwner final : public GpsFixOwner {
 public:
  bool SendGpsFix(const GpsFix&) override {
    std::unique_lock lock(mutex_);
    ++sends_;
    entered_.notify_all();
    released_.wait(lock, [&] { return refused_; });
    return false;
  }
  void RefuseGpsFixes() override {
    std::lock_guard lock(mutex_);
    refused_ = true;
    released_.notify_all();
  }
  bool WaitUntilBlocked() {
    std::unique_lock lock(mutex_);
    return entered_.wait_for(lock, 5s, [&] { return sends_ > 0; });
  }
  int Sends() {
    std::lock_guard lock(mutex_);
    return sends_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable entered_, released_;
  int sends_ = 0;
  bool refused_ = false;
};

TEST(ReceiverShutdown, DestructionWhileTheReaderIsBlockedInTheHandOffIsPrompt) {
  PseudoTerminal pty;
  BlockingOwner owner;
  auto receiver = std::make_unique<CGpsParser>();
  receiver->SetSource(Ports({pty.SlavePath()}));
  ASSERT_TRUE(receiver->Start(&owner));
  pty.Write(Burst("120000"));
  ASSERT_TRUE(owner.WaitUntilBlocked());
  pty.Write(Burst("120001"));
  {
    HangGuard guard("destroying a receiver blocked in the hand-off");
    receiver.reset();
  }
  EXPECT_EQ(owner.Sends(), 1);  // nothing was handed over once destruction began
}

TEST(ReceiverShutdown, DestructionWhileTheReaderWaitsIsPrompt) {
  PseudoTerminal pty;
  for (bool withPort : {true, false}) {
    FixRecorder owner;
    auto receiver = std::make_unique<CGpsParser>();
    receiver->SetSource(Ports({pty.SlavePath()}));
    if (!withPort) {
      // A port that exists but is held: the reader waits for it without one open.
      UniqueFd holder(open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY));
      ASSERT_EQ(flock(holder.Get(), LOCK_EX | LOCK_NB), 0);
      ASSERT_TRUE(receiver->Start(&owner));
      HangGuard guard("destroying a receiver that waits for its port");
      receiver.reset();
      continue;
    }
    ASSERT_TRUE(receiver->Start(&owner));
    // A fix handed over: the reader is in its loop, and waits for the port from here on.
    pty.Write(Burst("120000"));
    ASSERT_TRUE(owner.WaitForFixes(1));
    HangGuard guard("destroying a receiver that waits for input");
    receiver.reset();
  }
}

}  // namespace
}  // namespace kivu
