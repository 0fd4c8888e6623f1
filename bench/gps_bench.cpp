// GPS input speed: the block parser on a typical one-second burst; the cycle assembler and the parser
// together on a multi-constellation receiver's cycle, as the reader hands them its reads; and the time
// from the last byte of a cycle written into a pseudo-terminal to its fix reaching the receiver's owner.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "gps/CaptureReplay.h"
#include "gps/GpsParser.h"
#include "gps/NmeaParser.h"
#include "platform/PseudoTerminal.h"
#include "platform/SerialPort.h"
#include "tests/gps/NmeaTestUtil.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The demo drive's cycles: RMC, GGA, GSA and three GSV sentences each, about 390 bytes.
const std::vector<std::string>& DemoCycles() {
  static const std::vector<std::string> cycles =
      kivu::SplitCaptureIntoCycles(ReadFile(KIVU_SOURCE_DIR "/res/demo/drive.nmea"));
  return cycles;
}

void BM_ParseNmeaBlock(benchmark::State& state) {
  const std::string& burst = DemoCycles().front();
  kivu::GpsFix fix{};
  for ([[maybe_unused]] auto _ : state) {
    bool handed = kivu::ParseNmeaBlock(fix, burst.c_str());
    benchmark::DoNotOptimize(handed);
    benchmark::DoNotOptimize(fix);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * burst.size()));
  state.counters["burst_bytes"] = static_cast<double>(burst.size());
}
BENCHMARK(BM_ParseNmeaBlock);

using kivu::test::Sentence;

// One second of a u-blox M8/F9 class receiver tracking four systems, about 1 KB: the combined
// solution (GN RMC, VTG, GGA, a GSA per system), each system's satellites in view, and GLL last.
std::string GnssCycle(const std::string& time) {
  const std::string sentences[] = {
      "GNRMC," + time + ",A,4717.11437,N,00833.91522,E,12.582,84.4,120625,,,A,V",
      "GNVTG,84.4,T,,M,12.582,N,23.302,K,A",
      "GNGGA," + time + ",4717.11437,N,00833.91522,E,1,12,0.71,499.6,M,48.0,M,,",
      "GNGSA,A,3,02,05,11,13,15,18,20,29,,,,,1.24,0.71,1.02,1",
      "GNGSA,A,3,67,68,77,78,,,,,,,,,1.24,0.71,1.02,2",
      "GNGSA,A,3,04,09,11,36,,,,,,,,,1.24,0.71,1.02,3",
      "GNGSA,A,3,19,20,,,,,,,,,,,1.24,0.71,1.02,4",
      "GPGSV,4,1,14,02,35,304,38,05,61,098,44,11,17,046,30,13,40,152,41,1",
      "GPGSV,4,2,14,15,71,210,45,18,22,262,36,20,31,067,40,25,04,330,,1",
      "GPGSV,4,3,14,26,02,195,,29,55,282,43,30,08,120,22,31,12,151,28,1",
      "GPGSV,4,4,14,32,44,071,39,1",
      "GLGSV,2,1,06,67,23,031,33,68,70,011,40,69,38,263,,77,30,099,38,1",
      "GLGSV,2,2,06,78,55,161,41,79,20,219,,1",
      "GAGSV,2,1,05,04,45,284,38,09,20,048,31,11,56,123,42,36,66,219,44,7",
      "GAGSV,2,2,05,31,03,333,,7",
      "GBGSV,1,1,03,19,38,074,35,20,27,165,33,29,11,321,,1",
      "GNGLL,4717.11437,N,00833.91522,E," + time + ",A,A",
  };
  std::string cycle;
  for (const std::string& body : sentences)
    cycle += Sentence(body);
  return cycle;
}

// How many fixes a receiver hands over for the bytes, cycles ended by the end of input.
size_t FixesFor(const std::string& bytes) {
  size_t fixes = 0;
  kivu::DirectFixOwner owner([&](const kivu::GpsFix&) { ++fixes; });
  kivu::CGpsParser receiver;
  receiver.SetOwner(&owner);
  receiver.HandleBytes(bytes.data(), bytes.size());
  receiver.HandleEndOfInput();
  return fixes;
}

// Two consecutive cycles of a shared capture that each give a fix, or nothing when it is absent.
std::pair<std::string, std::string> CapturedCycles(const char* name) {
  std::string capture = ReadFile(std::string(KIVU_SOURCE_DIR "/../shared/nmea/gpsd-gnss/") + name);
  std::vector<std::string> cycles = kivu::SplitCaptureIntoCycles(capture);
  for (size_t i = 1; i + 1 < cycles.size(); ++i) {
    if (FixesFor(cycles[i] + cycles[i + 1] + cycles[i]) == 3) return {cycles[i], cycles[i + 1]};
  }
  return {};
}

// Two cycles one second apart, played again and again in reads of the given size, the way the reader
// thread feeds the receiver: every cycle is assembled, becomes a block, is parsed and handed over.
void AssembleAndParse(benchmark::State& state, const std::string& first, const std::string& second) {
  if (first.empty()) {
    state.SkipWithError("../shared/nmea/gpsd-gnss is absent (a fresh clone)");
    return;
  }
  std::string stream = first + second;
  size_t readSize = static_cast<size_t>(state.range(0));
  int64_t fixes = 0;
  kivu::DirectFixOwner owner([&](const kivu::GpsFix&) { ++fixes; });
  kivu::CGpsParser receiver;
  receiver.SetOwner(&owner);
  for ([[maybe_unused]] auto _ : state) {
    for (size_t offset = 0; offset < stream.size(); offset += readSize)
      receiver.HandleBytes(stream.data() + offset, std::min(readSize, stream.size() - offset));
  }
  // A cycle ends when the next one's first time arrives, so the last one is still waiting.
  if (fixes + 1 != 2 * state.iterations()) state.SkipWithError("not every cycle gave a fix");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
  state.counters["cycle_bytes"] = static_cast<double>(stream.size()) / 2;
}

void BM_AssembleAndParseGnssCycle(benchmark::State& state) {
  static const std::string first = GnssCycle("092750.00"), second = GnssCycle("092751.00");
  AssembleAndParse(state, first, second);
}
// Whole reads, and the 62-byte packets of a USB serial adapter.
BENCHMARK(BM_AssembleAndParseGnssCycle)->Arg(kivu::kGpsReadSize)->Arg(62);

void BM_AssembleAndParseZedF9pCycle(benchmark::State& state) {
  static const std::pair<std::string, std::string> cycles = CapturedCycles("ublox-zed-f9p-nmea.log");
  AssembleAndParse(state, cycles.first, cycles.second);
}
BENCHMARK(BM_AssembleAndParseZedF9pCycle)->Arg(kivu::kGpsReadSize);

void BM_AssembleAndParseNeoM8nCycle(benchmark::State& state) {
  static const std::pair<std::string, std::string> cycles = CapturedCycles("neo-m8n.log");
  AssembleAndParse(state, cycles.first, cycles.second);
}
BENCHMARK(BM_AssembleAndParseNeoM8nCycle)->Arg(kivu::kGpsReadSize);

class TimingOwner final : public kivu::GpsFixOwner {
 public:
  bool SendGpsFix(const kivu::GpsFix&) override {
    std::lock_guard lock(mutex_);
    ++count_;
    arrived_ = std::chrono::steady_clock::now();
    changed_.notify_all();
    return true;
  }
  void RefuseGpsFixes() override {}
  std::chrono::steady_clock::time_point WaitFor(int count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return count_ >= count; });
    return arrived_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int count_ = 0;
  std::chrono::steady_clock::time_point arrived_;
};

// Writes the demo drive's cycles into pty one at a time, each once the fix of the one before has
// reached the owner, and reports the time from each cycle's last byte to its fix.
void MeasureCycleLatency(benchmark::State& state, kivu::PseudoTerminal& pty, TimingOwner& owner) {
  const std::vector<std::string>& cycles = DemoCycles();
  std::vector<double> latencies;
  int sent = 0;
  for ([[maybe_unused]] auto _ : state) {
    if (!pty.Write(cycles[static_cast<size_t>(sent) % cycles.size()])) {
      state.SkipWithError("the pseudo-terminal went away");
      break;
    }
    auto lastByte = std::chrono::steady_clock::now();
    auto arrived = owner.WaitFor(++sent);
    double seconds = std::chrono::duration<double>(arrived - lastByte).count();
    latencies.push_back(seconds);
    state.SetIterationTime(seconds);
  }
  std::sort(latencies.begin(), latencies.end());
  if (!latencies.empty()) {
    state.counters["median_ms"] = latencies[latencies.size() / 2] * 1e3;
    state.counters["p95_ms"] = latencies[latencies.size() * 95 / 100] * 1e3;
    state.counters["goal_ms"] = kivu::kQuietGapMs + 5;
  }
}

// A cycle is whole only once the line has been quiet for kQuietGapMs, so a receiver's last cycle
// before a pause reaches the owner that long after its last byte; the rest is the reader's own time.
void BM_PtyToOwnerLatency(benchmark::State& state) {
  std::string error;
  std::optional<kivu::PseudoTerminal> pty = kivu::PseudoTerminal::Open(&error);
  if (!pty) {
    state.SkipWithError(("no pseudo-terminal: " + error).c_str());
    return;
  }
  TimingOwner owner;
  {
    kivu::CGpsParser receiver;
    kivu::GpsSource source;
    source.ports = {pty->SlavePath()};
    receiver.SetSource(source);
    if (receiver.Start(&owner)) {
      MeasureCycleLatency(state, *pty, owner);
    } else {
      state.SkipWithError("the receiver did not start");
    }
  }
}
BENCHMARK(BM_PtyToOwnerLatency)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

// The same through a real gpsd (Debian's), which reads the pseudo-terminal as its receiver and hands
// its sentences on; the reader sees the cycle end by the same quiet gap.
void BM_GpsdToOwnerLatency(benchmark::State& state) {
  std::string error;
  std::optional<kivu::PseudoTerminal> pty = kivu::PseudoTerminal::Open(&error);
  if (!pty || access("/usr/sbin/gpsd", X_OK) != 0) {
    state.SkipWithError(pty ? "gpsd is not installed (Debian package gpsd)" : "no pseudo-terminal");
    return;
  }
  chmod(pty->SlavePath().c_str(), 0666);  // gpsd opens its receiver after giving up root
  const std::string port = "29471";
  pid_t gpsd = fork();
  if (gpsd == 0) {
    execl("/usr/sbin/gpsd", "gpsd", "-N", "-S", port.c_str(), pty->SlavePath().c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  kivu::GpsSource source;
  source.kind = kivu::GpsSourceKind::Gpsd;
  source.gpsd = {"127.0.0.1", static_cast<uint16_t>(std::stoi(port))};
  TimingOwner owner;
  {
    kivu::CGpsParser receiver;
    receiver.SetSource(source);
    receiver.Start(&owner);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (receiver.PortPath().empty() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (receiver.PortPath().empty()) {
      state.SkipWithError("gpsd did not answer");
    } else {
      MeasureCycleLatency(state, *pty, owner);
    }
  }
  kill(gpsd, SIGTERM);
  waitpid(gpsd, nullptr, 0);
}
BENCHMARK(BM_GpsdToOwnerLatency)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

}  // namespace
