// GPS input speed: the block parser on a typical one-second burst, and the time from bytes written into
// a pseudo-terminal to the fix reaching the receiver's owner.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "gps/GpsParser.h"
#include "gps/NmeaParser.h"
#include "platform/SerialPort.h"

namespace {

// The first burst of the demo drive: RMC, GGA, GSA and three GSV sentences.
std::string DemoBurst(int index = 0) {
  std::ifstream in(KIVU_SOURCE_DIR "/res/demo/drive.nmea", std::ios::binary);
  std::string line, burst;
  int lines = 0;
  while (std::getline(in, line)) {
    if (lines++ / 6 == index) burst += line + "\n";
    if (lines / 6 > index) break;
  }
  return burst;
}

void BM_ParseNmeaBlock(benchmark::State& state) {
  std::string burst = DemoBurst();
  kivu::GpsFix fix{};
  for (auto _ : state) {
    bool handed = kivu::ParseNmeaBlock(fix, burst.c_str());
    benchmark::DoNotOptimize(handed);
    benchmark::DoNotOptimize(fix);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * burst.size()));
  state.counters["burst_bytes"] = static_cast<double>(burst.size());
}
BENCHMARK(BM_ParseNmeaBlock);

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

void BM_PtyToOwnerLatency(benchmark::State& state) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  grantpt(master);
  unlockpt(master);
  char name[128];
  ptsname_r(master, name, sizeof name);
  int hold = open(name, O_RDWR | O_NOCTTY);
  termios tio;
  tcgetattr(hold, &tio);
  cfmakeraw(&tio);
  tcsetattr(hold, TCSANOW, &tio);
  kivu::SetSerialPortPaths({name});

  TimingOwner owner;
  std::vector<double> latencies;
  {
    kivu::CGpsParser receiver;
    if (!receiver.Start(&owner)) {
      state.SkipWithError("the receiver did not start");
      return;
    }
    int sent = 0;
    for (auto _ : state) {
      std::string burst = DemoBurst(sent % 900);
      auto start = std::chrono::steady_clock::now();
      if (write(master, burst.data(), burst.size()) != static_cast<ssize_t>(burst.size())) break;
      auto arrived = owner.WaitFor(++sent);
      double seconds = std::chrono::duration<double>(arrived - start).count();
      latencies.push_back(seconds);
      state.SetIterationTime(seconds);
    }
  }
  std::sort(latencies.begin(), latencies.end());
  if (!latencies.empty()) {
    state.counters["median_ms"] = latencies[latencies.size() / 2] * 1e3;
    state.counters["p95_ms"] = latencies[latencies.size() * 95 / 100] * 1e3;
  }
  kivu::SetSerialPortPaths({});
  close(hold);
  close(master);
}
BENCHMARK(BM_PtyToOwnerLatency)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

}  // namespace
