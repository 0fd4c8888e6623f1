// What the receiver tests share: an owner that records the fixes and lets a test wait for them, the
// process's processor time, and the serial port table set for one test.
#pragma once

#include <time.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "gps/GpsFixOwner.h"
#include "platform/SerialPort.h"

namespace kivu::test {

class FixRecorder final : public GpsFixOwner {
 public:
  bool SendGpsFix(const GpsFix& fix) override {
    std::lock_guard lock(mutex_);
    if (refused_) return false;
    fixes_.push_back(fix);
    changed_.notify_all();
    return true;
  }
  void RefuseGpsFixes() override {
    std::lock_guard lock(mutex_);
    refused_ = true;
  }
  // Whether count fixes have come by the deadline.
  bool WaitForFixes(size_t count, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    return changed_.wait_until(lock, deadline, [&] { return fixes_.size() >= count; });
  }
  bool WaitForFixes(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    return WaitForFixes(count, std::chrono::steady_clock::now() + timeout);
  }
  std::vector<GpsFix> Fixes() {
    std::lock_guard lock(mutex_);
    return fixes_;
  }
  size_t Count() {
    std::lock_guard lock(mutex_);
    return fixes_.size();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<GpsFix> fixes_;
  bool refused_ = false;
};

// Processor time of this whole process, in seconds: what a reader that spins while it should sleep
// would show.
inline double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The port table for one test, restored afterwards.
class PortTable {
 public:
  explicit PortTable(std::vector<std::string> paths) { SetSerialPortPaths(std::move(paths)); }
  ~PortTable() { SetSerialPortPaths({}); }
  PortTable(const PortTable&) = delete;
  PortTable& operator=(const PortTable&) = delete;
};

}  // namespace kivu::test
