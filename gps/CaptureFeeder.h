// Plays a recorded capture into a pseudo-terminal as a receiver sends it, one cycle per interval, so
// that a replay in the dashboard takes the real serial path: port table, open, reader thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/PseudoTerminal.h"

namespace kivu {

class CaptureFeeder {
 public:
  // Starts feeding; the first burst goes out after one interval, giving the receiver time to open the
  // port. Nothing when no pseudo-terminal can be had (error says why).
  static std::unique_ptr<CaptureFeeder> Start(const std::string& capture, std::chrono::milliseconds interval,
                                              std::string* error = nullptr);
  // The same at the capture's own pace: each cycle goes out as long after the one before as their
  // UTC times say (a 10 Hz capture plays ten cycles a second), one second where the times say nothing
  // (no time, the same time, a jump back or of more than ten seconds).
  static std::unique_ptr<CaptureFeeder> StartAtOwnPace(const std::string& capture,
                                                       std::string* error = nullptr);
  // Stops at once, also in the middle of a wait.
  ~CaptureFeeder();
  CaptureFeeder(const CaptureFeeder&) = delete;
  CaptureFeeder& operator=(const CaptureFeeder&) = delete;

  // The device path a receiver opens.
  const std::string& PortPath() const { return pty_.SlavePath(); }
  // Bursts written so far.
  size_t BurstsWritten() const;
  // Waits until the capture is played to its end or the time-out passes; true when it was.
  bool WaitUntilFinished(std::chrono::milliseconds timeout) const;

 private:
  struct Burst {
    std::string bytes;
    std::chrono::milliseconds delay;  // after the burst before it
  };
  CaptureFeeder(PseudoTerminal pty, std::vector<Burst> bursts);
  void Run();

  PseudoTerminal pty_;
  std::vector<Burst> bursts_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  size_t written_ = 0;
  bool finished_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace kivu
