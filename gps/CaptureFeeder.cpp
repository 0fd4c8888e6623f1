#include "gps/CaptureFeeder.h"

#include "gps/CaptureReplay.h"

namespace kivu {

std::unique_ptr<CaptureFeeder> CaptureFeeder::Start(const std::string& capture,
                                                    std::chrono::milliseconds interval, std::string* error) {
  std::optional<PseudoTerminal> pty = PseudoTerminal::Open(error);
  if (!pty) return nullptr;
  return std::unique_ptr<CaptureFeeder>(
      new CaptureFeeder(std::move(*pty), SplitCaptureIntoCycles(capture), interval));
}

CaptureFeeder::CaptureFeeder(PseudoTerminal pty, std::vector<std::string> bursts,
                             std::chrono::milliseconds interval)
    : pty_(std::move(pty)), bursts_(std::move(bursts)), interval_(interval), thread_([this] { Run(); }) {}

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
  for (const std::string& burst : bursts_) {
    // Bursts keep their pace even when a write or a wake-up runs late.
    due += interval_;
    if (changed_.wait_until(lock, due, [&] { return stopping_; })) return;
    lock.unlock();
    bool written = pty_.Write(burst);
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

bool CaptureFeeder::Finished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

bool CaptureFeeder::WaitUntilFinished(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return finished_; });
}

}  // namespace kivu
