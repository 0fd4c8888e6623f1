// The receiving end of a GPS receiver's fixes, and the hand-off between the reader thread and it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "gps/GpsFix.h"

namespace kivu {

// Whoever takes the fixes of a receiver: the dashboard view, or a replay.
class GpsFixOwner {
 public:
  virtual ~GpsFixOwner() = default;
  // Reader thread: hands the fix over and returns once the owner's handler has run, or at once with
  // false when the owner refuses (it is closing). The fix is not touched while the handler runs.
  virtual bool SendGpsFix(const GpsFix& fix) = 0;
  // Owner's thread, before it destroys the receiver: refuse from now on and release a waiting sender,
  // so that the reader can never wait for a thread that is waiting for the reader.
  virtual void RefuseGpsFixes() = 0;
  // Owner's thread, once the refused receiver is gone: take the fixes of the next one.
  virtual void AcceptGpsFixes() {}
};

// An owner whose handler runs on the reader's own thread (replays, tests).
class DirectFixOwner final : public GpsFixOwner {
 public:
  explicit DirectFixOwner(std::function<void(const GpsFix&)> handler) : handler_(std::move(handler)) {}
  bool SendGpsFix(const GpsFix& fix) override;
  void RefuseGpsFixes() override { refused_ = true; }
  void AcceptGpsFixes() override { refused_ = false; }

 private:
  std::function<void(const GpsFix&)> handler_;
  std::atomic<bool> refused_{false};  // set by the owner's thread, read by a reader thread
};

// The synchronous hand-off to a user-interface thread: the reader posts a request (through the
// poster, for example a queued call into the event loop) and waits; the user-interface thread runs
// Deliver(), which calls the handler with a copy of the fix and releases the reader. No lock is held
// while the handler runs, and RefuseGpsFixes() releases a waiting reader at once.
class FixHandOff final : public GpsFixOwner {
 public:
  using Handler = std::function<void(const GpsFix&)>;
  using Poster = std::function<void()>;

  FixHandOff(Handler handler, Poster poster);

  bool SendGpsFix(const GpsFix& fix) override;
  void RefuseGpsFixes() override;
  void AcceptGpsFixes() override;
  // User-interface thread: runs the handler for the fix that is waiting, if any. A stale request
  // (the sender gave up) does nothing.
  void Deliver();

 private:
  Handler handler_;
  Poster poster_;
  std::mutex mutex_;
  std::condition_variable finished_;
  const GpsFix* pending_ = nullptr;
  uint64_t sent_ = 0;
  uint64_t done_ = 0;
  bool refused_ = false;
};

}  // namespace kivu
