// The gpsd source: its address and setting texts, the split of gpsd's output, the receiver reading
// through a real gpsd (Debian's gpsd and gpsfake, each on a port of its own, never 2947), and a fake
// gpsd that floods, sends escapes or says nothing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gps/CaptureReplay.h"
#include "gps/FixJson.h"
#include "gps/GpsParser.h"
#include "gps/GpsdSource.h"
#include "gps/ReceiverTestUtil.h"
#include "platform/Diagnostics.h"
#include "platform/SerialPort.h"
#include "platform/TcpConnection.h"
#include "support/TestSupport.h"
#include "view/GpsStatusMonitor.h"

namespace kivu {
namespace {

using test::FixRecorder;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

// ---- Texts and the stream, without a gpsd ----------------------------------------------------------

TEST(GpsdTexts, AddressesAndSettingsReadAsWrittenAndRefuseTheRest) {
  struct Case {
    const char* text;
    const char* host;  // nullptr: refused
    uint16_t port;
  };
  const Case cases[] = {
      {"", "localhost", 2947},
      {"gps.local", "gps.local", 2947},
      {"10.0.0.2:3000", "10.0.0.2", 3000},
      {":4000", "localhost", 4000},
      {"[::1]", "::1", 2947},
      {"[fe80::1]:65535", "fe80::1", 65535},
      {"::1", "::1", 2947},
      {"host:0", nullptr, 0},
      {"host:65536", nullptr, 0},
      {"host:", nullptr, 0},
      {"ho st", nullptr, 0},
      {"[::1]2947", nullptr, 0},
      {"[::1", nullptr, 0},
      {"host:12a", nullptr, 0},
      {"[x]:1", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    GpsdAddress address{"untouched", 1};
    EXPECT_EQ(ParseGpsdAddress(c.text, address), c.host != nullptr);
    if (c.host) {
      EXPECT_EQ(address.host, c.host);
      EXPECT_EQ(address.port, c.port);
    } else {
      EXPECT_EQ(address.host, "untouched");
    }
  }
  EXPECT_EQ(GpsdAddressText({"::1", 3000}), "[::1]:3000");

  // Each setting reads back to itself; nonsense leaves the source as it was.
  for (const char* text : {"", "gpsd", "gpsd:car.local:3000", "gpsd:[::1]:2948", "/dev/ttyUSB0"}) {
    SCOPED_TRACE(text);
    GpsSource source;
    ASSERT_TRUE(ParseGpsSourceSetting(text, source));
    EXPECT_EQ(GpsSourceSetting(source), text);
  }
  GpsSource source;
  ASSERT_TRUE(ParseGpsSourceSetting("gpsd:car.local:3000", source));
  EXPECT_EQ(source.kind, GpsSourceKind::Gpsd);
  EXPECT_EQ(source.gpsd, (GpsdAddress{"car.local", 3000}));
  for (const char* text : {"ttyUSB0", "gpsd:host:99999", "gpsdx", "/dev/tty USB0", "/dev/a:b"})
    EXPECT_FALSE(ParseGpsSourceSetting(text, source)) << text;
  EXPECT_EQ(source.kind, GpsSourceKind::Gpsd);
}

TEST(GpsdTexts, TheStreamPassesNmeaOnAsItComesAndReadsGpsdsReports) {
  std::string nmea;
  std::vector<GpsdReport> reports;
  GpsdStream stream([&](const char* data, size_t count) { nmea.append(data, count); },
                    [&](const GpsdReport& report) { reports.push_back(report); });
  const std::string output =
      "{\"class\":\"VERSION\",\"release\":\"3.22\",\"rev\":\"3.22\"}\r\n"
      "{\"class\":\"DEVICES\",\"devices\":[ ]}\n"
      "$GPRMC,030742.000,A,3747.0877,S,17518.8941,E,0.00,181.39,311214,,,A*76\r\n"
      "{\"class\":\"ERROR\",\"message\":\"Can't \\\"open\\\" $GPRMC\"}\n"
      "$GPGGA,030743.000,3747.0877,S,17518.8941,E,1,07,1.1,60.2,M,23.7,M,,0000*76\r\n" +
      std::string(2000, 'x') + "\n{\"class\":\"WATCH\",\"x\":\"" + std::string(3000, 'y') + "\"}\n$GPGSA";
  // Byte by byte, the way a slow link may hand it over, and then whole.
  for (size_t step : {size_t{1}, output.size()}) {
    nmea.clear();
    reports.clear();
    stream.Reset();
    for (size_t i = 0; i < output.size(); i += step)
      stream.Feed(output.data() + i, std::min(step, output.size() - i));
    EXPECT_EQ(nmea,
              "$GPRMC,030742.000,A,3747.0877,S,17518.8941,E,0.00,181.39,311214,,,A*76\r\n"
              "$GPGGA,030743.000,3747.0877,S,17518.8941,E,1,07,1.1,60.2,M,23.7,M,,0000*76\r\n" +
                  std::string(2000, 'x') + "\n$GPGSA");
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0].kind, "VERSION");
    EXPECT_EQ(reports[0].message, "3.22");
    EXPECT_TRUE(reports[1].noDevices);
    EXPECT_EQ(reports[2].message, "Can't \"open\" $GPRMC");
    EXPECT_EQ(reports[3].kind, "WATCH");  // a report longer than the part read still counts
  }
}

TEST(GpsdConnection, AConnectionThatHangsEndsAtTheWake) {
  // A listener whose queue is full: the kernel drops the next connection's handshake, as a host that
  // does not answer does.
  UniqueFd listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
  ASSERT_EQ(listen(listener.Get(), 0), 0);
  const uint16_t port = ntohs(address.sin_port);
  std::vector<std::unique_ptr<TcpConnection>> queued;
  int result = 0;
  for (int i = 0; i < 8 && result != ETIMEDOUT; ++i) {
    queued.push_back(std::make_unique<TcpConnection>());
    result = queued.back()->Connect("127.0.0.1", port, 300).Error();
  }
  ASSERT_EQ(result, ETIMEDOUT) << "the listener's queue never filled";

  TcpConnection hanging;
  std::thread waker([&] { hanging.Wake(); });
  EXPECT_EQ(hanging.Connect("127.0.0.1", port, 600000).Error(), ECANCELED);
  waker.join();
  EXPECT_FALSE(hanging.IsOpen());
}

// ---- A real gpsd -----------------------------------------------------------------------------------

bool GpsdInstalled() {
  return access("/usr/sbin/gpsd", X_OK) == 0 && access("/usr/bin/gpsfake", X_OK) == 0;
}

#define KIVU_REQUIRE_GPSD()                                                                         \
  do {                                                                                              \
    if (!GpsdInstalled())                                                                           \
      GTEST_SKIP() << "gpsd and gpsfake are not installed (Debian packages gpsd and gpsd-clients)"; \
  } while (0)

std::string SharedNmeaPath(const std::string& relative) {
  return std::string(KIVU_SHARED_DIR) + "/nmea/" + relative;
}

// A port nobody listens on now (the kernel's pick of a free one).
uint16_t FreePort() {
  UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return 0;
  return ntohs(address.sin_port);
}

// Waits for the receiver to show the source name ("" for none).
bool WaitForSource(const CGpsParser& receiver, const std::string& name, std::chrono::milliseconds limit) {
  return receiver.WaitForProgress([&] { return receiver.PortPath() == name; }, limit);
}

// A program in a process group of its own, its standard input a pipe, stopped with its children
// (gpsfake's gpsd) when the object goes.
class Child {
 public:
  explicit Child(const std::vector<std::string>& argv) {
    signal(SIGPIPE, SIG_IGN);  // a write to the input of a program that ended must not end the test
    int input[2];
    if (pipe2(input, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      setpgid(0, 0);
      dup2(input[0], STDIN_FILENO);
      int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      if (!getenv("KIVU_TEST_GPSD_VERBOSE")) dup2(null, STDERR_FILENO);
      std::vector<char*> args;
      for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
      args.push_back(nullptr);
      execvp(args[0], args.data());
      _exit(127);
    }
    close(input[0]);
    input_.Reset(input[1]);
  }
  ~Child() { Stop(); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Running() const { return pid_ > 0; }
  void Write(const std::string& text) {
    for (size_t done = 0; done < text.size();) {
      ssize_t n = write(input_.Get(), text.data() + done, text.size() - done);
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }
  // Waits for the program to end: its process descriptor becomes readable then.
  bool WaitForExit(std::chrono::milliseconds limit) {
    if (pid_ <= 0) return true;
    UniqueFd process(static_cast<int>(syscall(SYS_pidfd_open, pid_, 0)));
    pollfd ended = {process.Get(), POLLIN, 0};
    if (!process || poll(&ended, 1, static_cast<int>(limit.count())) != 1) return false;
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
    return true;
  }
  void Stop() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    if (!WaitForExit(5s)) {
      kill(-pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = 0;
  }

 private:
  pid_t pid_ = -1;
  UniqueFd input_;
};

// Takes the fixes on the reader's thread and keeps them.
GpsSource GpsdAt(uint16_t port) {
  GpsSource source;
  source.kind = GpsSourceKind::Gpsd;
  source.gpsd = {"127.0.0.1", port};
  return source;
}

std::string WatchingName(uint16_t port) {
  return "gpsd 127.0.0.1:" + std::to_string(port);
}

// gpsfake plays a capture to a gpsd of its own at port; gpsfake ends (and its gpsd with it) two
// seconds after the capture's end, so the receiver sees gpsd go away once it has had everything.
std::unique_ptr<Child> StartGpsfake(const std::string& capture, uint16_t port,
                                    std::vector<std::string> options) {
  std::vector<std::string> argv = {"gpsfake", "-1", "-q", "-W", "2", "-P", std::to_string(port)};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(capture);
  return std::make_unique<Child>(argv);
}

// The receiver's fixes once gpsd has played all of the capture and gone.
std::vector<GpsFix> FixesWhenGpsdHasGone(Child& gpsfake, CGpsParser& receiver, FixRecorder& owner) {
  EXPECT_TRUE(gpsfake.WaitForExit(120s)) << "gpsfake did not end";
  EXPECT_TRUE(WaitForSource(receiver, "", 10s)) << "gpsd's end was not seen";
  return owner.Fixes();
}

TEST(GpsdReceiver, NmeaCapturesThroughGpsdGiveExactlyTheReplaysFixes) {
  KIVU_REQUIRE_GPSD();
  KIVU_REQUIRE_SHARED_CAPTURES();
  // A receiver that sends GGA before RMC, and a multi-constellation one.
  for (const char* name : {"gpsd/bu353s4.log", "gpsd-gnss/neo-m8n.log"}) {
    SCOPED_TRACE(name);
    const std::string capture = test::ReadFile(SharedNmeaPath(name));
    std::vector<std::string> expected;
    {
      DirectFixOwner replayOwner([&](const GpsFix& fix) { expected.push_back(FormatFixJson(fix)); });
      CGpsParser replay;
      replay.SetOwner(&replayOwner);
      ReplayCapture(replay, capture);
    }
    ASSERT_GT(expected.size(), 10u);

    // gpsfake sends a line for each line feed on its input ("-i"), so nothing is sent before the
    // receiver is watching. The receiver asks once a second until gpsfake's gpsd answers.
    const uint16_t port = FreePort();
    std::unique_ptr<Child> gpsfake = StartGpsfake(SharedNmeaPath(name), port, {"-i"});
    FixRecorder owner;
    CGpsParser receiver;
    receiver.SetSource(GpsdAt(port));
    ASSERT_TRUE(receiver.Start(&owner));
    ASSERT_TRUE(WaitForSource(receiver, WatchingName(port), 30s)) << "gpsfake's gpsd did not come up";
    gpsfake->Write(std::string(capture.size() / 8 + 100, '\n'));

    std::vector<std::string> fixes;
    for (const GpsFix& fix : FixesWhenGpsdHasGone(*gpsfake, receiver, owner))
      fixes.push_back(FormatFixJson(fix));
    EXPECT_EQ(fixes, expected);
  }
}

// gpsd's own reports of a capture: the position of each TPV, by its time of day ("hh:mm:ss.sss").
std::map<std::string, std::pair<double, double>> TpvPositions(const std::string& report) {
  std::map<std::string, std::pair<double, double>> positions;
  size_t start = 0;
  while (start < report.size()) {
    size_t end = report.find('\n', start);
    if (end == std::string::npos) end = report.size();
    const std::string line = report.substr(start, end - start);
    start = end + 1;
    size_t time = line.find("\"time\":\"");
    size_t lat = line.find("\"lat\":"), lon = line.find("\"lon\":");
    if (line.rfind("{\"class\":\"TPV\"", 0) != 0 || time == std::string::npos || lat == std::string::npos ||
        lon == std::string::npos)
      continue;
    positions[line.substr(time + 8 + 11, 12)] = {std::atof(line.c_str() + lat + 6),
                                                 std::atof(line.c_str() + lon + 6)};
  }
  return positions;
}

TEST(GpsdReceiver, BinaryReceiversThroughGpsdAgreeWithGpsdsOwnReports) {
  KIVU_REQUIRE_GPSD();
  KIVU_REQUIRE_SHARED_CAPTURES();
  struct Binary {
    const char* name;
    const char* pause;  // gpsfake's pause between packets: long enough for the receiver to join
  };
  for (const Binary& binary :
       {Binary{"gpsd-binary/ublox-neo-m8l.log", "0.005"}, Binary{"gpsd-binary/sirf2.log", "0"}}) {
    SCOPED_TRACE(binary.name);
    const auto reported = TpvPositions(test::ReadFile(SharedNmeaPath(binary.name) + ".chk"));
    ASSERT_FALSE(reported.empty());
    const uint16_t port = FreePort();
    // The receiver starts first and joins the moment gpsd answers: what gpsd made of the packets
    // before that is gone, so only the fixes shown are compared.
    FixRecorder owner;
    CGpsParser receiver;
    receiver.SetSource(GpsdAt(port));
    ASSERT_TRUE(receiver.Start(&owner));
    std::unique_ptr<Child> gpsfake = StartGpsfake(SharedNmeaPath(binary.name), port, {"-c", binary.pause});
    ASSERT_TRUE(WaitForSource(receiver, WatchingName(port), 30s));

    size_t compared = 0;
    const std::vector<GpsFix> fixes = FixesWhenGpsdHasGone(*gpsfake, receiver, owner);
    for (const GpsFix& fix : fixes) {
      char time[32];
      std::snprintf(time, sizeof time, "%02u:%02u:%02u.%03u", fix.utcTime.hour, fix.utcTime.minute,
                    fix.utcTime.second, fix.utcTime.milliseconds);
      auto tpv = reported.find(time);
      if (tpv == reported.end()) continue;
      SCOPED_TRACE(time);
      // Within a metre: gpsd's sentences round a minute of arc to four decimals, and a 10 Hz receiver's
      // once-a-second sentence may carry a position a few centimetres from the report of its time.
      EXPECT_NEAR(fix.latitude, tpv->second.first, 1e-5);
      EXPECT_NEAR(fix.longitude, tpv->second.second, 1e-5);
      ++compared;
    }
    EXPECT_GE(compared, 5u) << fixes.size() << " fixes shown";
    EXPECT_GE(compared * 10, fixes.size() * 9) << "fixes at times gpsd never reported";
  }
}

TEST(GpsdReceiver, AutomaticTakesARunningGpsdWhenNoPortCanBeOpened) {
  KIVU_REQUIRE_GPSD();
  const uint16_t port = FreePort();
  test::TempDir folder;
  // A gpsd with no receiver yet, waiting for one to be named on its control socket.
  // The receiver asks for it once a second until it answers.
  Child gpsd({"gpsd", "-N", "-S", std::to_string(port), "-F", folder / "gpsd.sock"});
  // One port held by another program, one that does not exist.
  test::PseudoTerminal pty;
  UniqueFd held;
  ASSERT_TRUE(OpenSerialPort(pty.SlavePath(), held));
  GpsSource automatic;
  automatic.kind = GpsSourceKind::Automatic;
  automatic.ports = {pty.SlavePath(), "/dev/kivu-no-such-port"};
  automatic.gpsd = {"127.0.0.1", port};
  FixRecorder owner;
  CGpsParser receiver;
  receiver.SetSource(automatic);
  ASSERT_TRUE(receiver.Start(&owner));
  ASSERT_TRUE(WaitForSource(receiver, WatchingName(port), 30s)) << receiver.PortPath();

  // Only the ports: the held one is waited for, and no gpsd is asked.
  GpsSource ports = automatic;
  ports.kind = GpsSourceKind::SerialPorts;
  CGpsParser portsOnly;
  portsOnly.SetSource(ports);
  ASSERT_TRUE(portsOnly.Start(&owner));
  EXPECT_EQ(portsOnly.PortPath(), "");
}

TEST(GpsdReceiver, AGpsdThatStopsAndStartsAgainIsFollowedWithoutSpinning) {
  KIVU_REQUIRE_GPSD();
  const uint16_t port = FreePort();
  test::PseudoTerminal pty;
  // gpsd gives up root before it opens its devices, as a receiver's port is open to its group.
  ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0666), 0);
  const std::vector<std::string> gpsdCommand = {"gpsd", "-N", "-S", std::to_string(port), pty.SlavePath()};
  const std::vector<std::string> cycles =
      SplitCaptureIntoCycles(test::ReadFile(test::SourcePath("res/demo/drive.nmea")));
  size_t next = 0;
  FixRecorder owner;
  // Sends the drive's cycles into gpsd's port until the receiver shows one more fix, reading what gpsd
  // sends the port meanwhile (its probes), as a receiver would.
  auto aFixComesThrough = [&] {
    const size_t before = owner.Count();
    const Steady::time_point deadline = Steady::now() + 20s;
    while (Steady::now() < deadline) {
      char drain[256];
      pollfd master = {pty.MasterFd(), POLLIN, 0};
      while (poll(&master, 1, 0) == 1 && (master.revents & POLLIN) &&
             read(pty.MasterFd(), drain, sizeof drain) > 0) {
      }
      pty.Write(cycles[next++ % cycles.size()]);
      if (owner.WaitForFixes(before + 1, 200ms)) return true;
    }
    return false;
  };

  auto gpsd = std::make_unique<Child>(gpsdCommand);
  CGpsParser receiver;
  receiver.SetSource(GpsdAt(port));
  ASSERT_TRUE(receiver.Start(&owner));
  ASSERT_TRUE(WaitForSource(receiver, WatchingName(port), 30s));
  ASSERT_TRUE(aFixComesThrough());

  gpsd->Stop();
  ASSERT_TRUE(WaitForSource(receiver, "", 10s));
  // The outage itself is what is tested: time with nothing to wait for. While gpsd is away the receiver
  // asks again once a second and otherwise sleeps; over one and a half seconds (a retry included) a
  // reader that spun would use all of them.
  const double cpuBefore = test::ProcessCpuSeconds();
  std::this_thread::sleep_for(1500ms);
  EXPECT_LT(test::ProcessCpuSeconds() - cpuBefore, 0.25);

  gpsd = std::make_unique<Child>(gpsdCommand);
  ASSERT_TRUE(WaitForSource(receiver, WatchingName(port), 30s));
  EXPECT_TRUE(aFixComesThrough());
}

// ---- A gpsd of the test's own, as hostile as a peer can be -----------------------------------------

// A listener on 127.0.0.1 that plays gpsd to one connection at a time.
class FakeGpsd {
 public:
  FakeGpsd() : listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_.Get(), reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
        listen(listener_.Get(), 4) == 0)
      port_ = ntohs(address.sin_port);
  }
  uint16_t Port() const { return port_; }
  // Takes the receiver's connection and reads its request; false when none came in time.
  bool Accept() {
    pollfd waiting = {listener_.Get(), POLLIN, 0};
    if (poll(&waiting, 1, 30000) != 1) return false;
    peer_.Reset(accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    std::string request;
    char c;
    pollfd reading = {peer_.Get(), POLLIN, 0};
    while (request.find('\n') == std::string::npos && poll(&reading, 1, 30000) == 1 &&
           read(peer_.Get(), &c, 1) == 1)
      request += c;
    return request == kGpsdWatchRequest;
  }
  bool Send(const std::string& text) {
    for (size_t done = 0; done < text.size();) {
      pollfd writing = {peer_.Get(), POLLOUT, 0};
      if (poll(&writing, 1, 30000) != 1) return false;
      const ssize_t n = send(peer_.Get(), text.data() + done, text.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }
  // Hangs up, and takes no further connection.
  void Close() {
    peer_.Reset();
    listener_.Reset();
  }

 private:
  UniqueFd listener_;
  UniqueFd peer_;
  uint16_t port_ = 0;
};

// The lines said about gpsd, as they come from the reader's thread.
class GpsdLines {
 public:
  GpsdLines()
      : capture_([this](DiagnosticLevel, const std::string& line) {
          if (line.find("gpsd") == std::string::npos) return;
          {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
          }
          said_.notify_all();
        }) {}
  bool WaitFor(const std::string& part) {
    std::unique_lock lock(mutex_);
    return said_.wait_for(lock, 60s,
                          [&] { return !lines_.empty() && lines_.back().find(part) != std::string::npos; });
  }
  std::vector<std::string> Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable said_;
  std::vector<std::string> lines_;
  DiagnosticCapture capture_;
};

// A clock the test moves, read on the reader's thread.
class MovedClock final : public Clock {
 public:
  int64_t Now() const override { return now_; }
  void Pass(int64_t seconds) { now_ += seconds; }

 private:
  std::atomic<int64_t> now_{1000};
};

TEST(GpsdPeer, AFloodOfReportsWithEscapesGivesEachCauseOnceAndItsCountAMinuteLater) {
  FakeGpsd gpsd;
  ASSERT_NE(gpsd.Port(), 0);
  GpsdLines lines;
  MovedClock clock;
  FixRecorder owner;
  CGpsParser receiver;
  receiver.SetClock(clock);
  receiver.SetSource(GpsdAt(gpsd.Port()));
  ASSERT_TRUE(receiver.Start(&owner));
  ASSERT_TRUE(gpsd.Accept());

  // What retitles, clears and bells a terminal, a byte that is no UTF-8 and a C1 control (CSI).
  const std::string hostile = "open \x1b]0;owned\x07\x1b[2J\xff\xc2\x9b end, caf\xc3\xa9";
  const std::string error = "{\"class\":\"ERROR\",\"message\":\"" + hostile + "\"}\n";
  std::string flood = "{\"class\":\"WATCH\",\"enable\":true}\n";
  for (int i = 0; i < 50000; ++i)
    flood += error;
  flood += "{\"class\":\"ERROR\",\"message\":\"first half\"}\n";
  ASSERT_TRUE(gpsd.Send(flood));
  ASSERT_TRUE(lines.WaitFor("first half"));
  // A minute on, the count of the first half is said at the next report. So are only a handful of
  // other causes: a gpsd that varies its words floods no more than one that repeats them.
  clock.Pass(60);
  flood.clear();
  for (int i = 0; i < 50000; ++i)
    flood += error;
  for (int i = 0; i < 20; ++i)
    flood += "{\"class\":\"ERROR\",\"message\":\"unit " + std::to_string(i) + "\"}\n";
  ASSERT_TRUE(gpsd.Send(flood));
  gpsd.Close();
  ASSERT_TRUE(lines.WaitFor("went away"));

  const std::string where = "kivu: gpsd at 127.0.0.1:" + std::to_string(gpsd.Port());
  const std::string escaped = where + ": open \\x1b]0;owned\\x07\\x1b[2J\\xff\\xc2\\x9b end, caf\xc3\xa9";
  std::vector<std::string> expected = {
      "kivu: reading GPS messages from gpsd at 127.0.0.1:" + std::to_string(gpsd.Port()) + "\n",
      escaped + "\n",
      where + ": first half\n",
      escaped + " (repeated 49,999 times in the last minute)\n",
  };
  for (int i = 0; i < 7; ++i)
    expected.push_back(where + ": unit " + std::to_string(i) + "\n");
  expected.push_back(escaped + " (repeated 50,000 times in the last minute)\n");
  expected.push_back(where + ": 13 more messages of other kinds in the last minute\n");
  expected.push_back(where + " went away; trying again every second\n");
  EXPECT_EQ(lines.Lines(), expected);
}

TEST(GpsdPeer, AGpsdThatAcceptsAndSaysNothingIsNamedAndShownAsSilentUntilItAnswers) {
  FakeGpsd gpsd;
  ASSERT_NE(gpsd.Port(), 0);
  GpsdLines lines;
  FixRecorder owner;
  CGpsParser receiver;
  receiver.SetSource(GpsdAt(gpsd.Port()));
  ASSERT_TRUE(receiver.Start(&owner));
  ASSERT_TRUE(gpsd.Accept());
  const std::string where = "127.0.0.1:" + std::to_string(gpsd.Port());
  ASSERT_TRUE(lines.WaitFor("has not answered"));

  // The dashboard's view of it, as the view's timer takes it.
  GpsStatusMonitor monitor;
  auto look = [&](int64_t now) {
    const GpsStatusMonitor::Receiver facts{receiver.PortPath(), receiver.SourceOpen(),
                                           receiver.SentenceCount(), receiver.SourceSilent()};
    monitor.Update(&facts, now);
    return monitor.State();
  };
  EXPECT_EQ(look(100), GpsState::NoData);
  EXPECT_EQ(GpsStateFlag(monitor.State(), 0), "NO DATA");

  // It answers after all: the source is open from now, and has had no sentence yet.
  ASSERT_TRUE(gpsd.Send("{\"class\":\"WATCH\",\"enable\":true}\n"));
  ASSERT_TRUE(receiver.WaitForProgress([&] { return !receiver.SourceSilent(); }, 30s));
  EXPECT_EQ(look(101), GpsState::NoFix);
  EXPECT_EQ(look(101 + GpsStateTracker::kSilentSeconds + 1), GpsState::NoData);
  EXPECT_EQ(lines.Lines(), (std::vector<std::string>{
                               "kivu: gpsd at " + where +
                                   " accepted the connection but has not answered in 5 s; waiting for it\n",
                               "kivu: GPS gpsd " + where + ": no data\n",
                               "kivu: reading GPS messages from gpsd at " + where + "\n",
                               "kivu: GPS gpsd " + where + ": no fix\n",
                               "kivu: GPS gpsd " + where + ": no data\n",
                           }));
}

}  // namespace
}  // namespace kivu
