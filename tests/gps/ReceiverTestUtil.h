// What the receiver tests share: an owner that records the fixes and lets a test wait for them, the
// process's processor time, a guard against hangs, the test's own ports, and what a step says.
#pragma once

#include <time.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "gps/GpsFixOwner.h"
#include "gps/GpsSource.h"
#include "platform/Diagnostics.h"

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

// Ends the test program with a message when the scope is not left within 10 s: for steps whose
// regression would be a hang, so that it fails instead of holding up the suite.
class HangGuard {
 public:
  explicit HangGuard(const char* what)
      : thread_([this, what] {
          std::unique_lock lock(mutex_);
          if (!left_.wait_for(lock, std::chrono::seconds(10), [&] { return done_; })) {
            std::fprintf(stderr, "hung: %s\n", what);
            std::abort();
          }
        }) {}
  ~HangGuard() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    left_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable left_;
  bool done_ = false;
  std::thread thread_;
};

// These serial ports and no others, in this order.
inline GpsSource Ports(std::vector<std::string> paths) {
  GpsSource source;
  source.ports = std::move(paths);
  return source;
}

// What step says on standard error, line by line.
inline std::string Said(const std::function<void()>& step) {
  std::string said;
  DiagnosticCapture capture([&](DiagnosticLevel, const std::string& line) { said += line; });
  step();
  return said;
}

}  // namespace kivu::test
