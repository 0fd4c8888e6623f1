#include "gps/CaptureFeeder.h"

#include "gps/CaptureReplay.h"
#include "gps/NmeaParser.h"

namespace kivu {

namespace {

constexpr std::chrono::milliseconds kOneSecond{1000};
constexpr int kLongestOwnPaceMs = 10000;

}  // namespace

std::unique_ptr<CaptureFeeder> CaptureFeeder::Start(const std::string& capture,
                                                    std::chrono::milliseconds interval, std::string* error) {
  std::optional<PseudoTerminal> pty = PseudoTerminal::Open(error);
  if (!pty) return nullptr;
  std::vector<Burst> bursts;
  for (std::string& cycle : SplitCaptureIntoCycles(capture))
    bursts.push_back({std::move(cycle), interval});
  return std::unique_ptr<CaptureFeeder>(new CaptureFeeder(std::move(*pty), std::move(bursts)));
}

std::unique_ptr<CaptureFeeder> CaptureFeeder::StartAtOwnPace(const std::string& capture, std::string* error) {
  std::optional<PseudoTerminal> pty = PseudoTerminal::Open(error);
  if (!pty) return nullptr;
  std::vector<Burst> bursts;
  int previous = -1;
  for (CapturedCycle& cycle : SplitCaptureIntoTimedCycles(capture)) {
    std::chrono::milliseconds delay = kOneSecond;
    if (previous >= 0 && cycle.timeOfDay >= 0) {
      int64_t step = NmeaTimeStep(previous, cycle.timeOfDay);
      if (step > 0 && step <= kLongestOwnPaceMs) delay = std::chrono::milliseconds(step);
    }
    if (cycle.timeOfDay >= 0) previous = cycle.timeOfDay;
    bursts.push_back({std::move(cycle.bytes), delay});
  }
  return std::unique_ptr<CaptureFeeder>(new CaptureFeeder(std::move(*pty), std::move(bursts)));
}

CaptureFeeder::CaptureFeeder(PseudoTerminal pty, std::vector<Burst> bursts)
    : pty_(std::move(pty)), bursts_(std::move(bursts)), thread_([this] { Run(); }) {}

CaptureFeeder::~CaptureFeeder() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void CaptureFeeder::Run() {
  std::unique_lock lock(mutex_);
  auto due = std::chrono::steady_clock::now();
  for (const Burst& burst : bursts_) {
    // Bursts keep their pace even when a write or a wake-up runs late.
    due += burst.delay;
    if (changed_.wait_until(lock, due, [&] { return stopping_; })) return;
    lock.unlock();
    bool written = pty_.Write(burst.bytes);
    lock.lock();
    if (!written) break;
    ++written_;
    changed_.notify_all();
  }
  finished_ = true;
  changed_.notify_all();
}

size_t CaptureFeeder::BurstsWritten() const {
  std::lock_guard lock(mutex_);
  return written_;
}

bool CaptureFeeder::WaitUntilFinished(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return finished_; });
}

}  // namespace kivu
