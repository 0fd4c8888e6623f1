#include "gps/GpsFixOwner.h"

namespace kivu {

bool DirectFixOwner::SendGpsFix(const GpsFix& fix) {
  if (refused_) return false;
  handler_(fix);
  return true;
}

FixHandOff::FixHandOff(Handler handler, Poster poster)
    : handler_(std::move(handler)), poster_(std::move(poster)) {}

bool FixHandOff::SendGpsFix(const GpsFix& fix) {
  std::unique_lock lock(mutex_);
  if (refused_) return false;
  pending_ = &fix;
  uint64_t ticket = ++sent_;
  lock.unlock();
  poster_();
  lock.lock();
  finished_.wait(lock, [&] { return done_ >= ticket || refused_; });
  bool delivered = done_ >= ticket;
  if (pending_ == &fix) pending_ = nullptr;
  return delivered;
}

void FixHandOff::RefuseGpsFixes() {
  std::lock_guard lock(mutex_);
  refused_ = true;
  pending_ = nullptr;
  finished_.notify_all();
}

void FixHandOff::AcceptGpsFixes() {
  std::lock_guard lock(mutex_);
  refused_ = false;
}

void FixHandOff::Deliver() {
  std::unique_lock lock(mutex_);
  if (!pending_ || refused_) return;
  GpsFix copy = *pending_;
  pending_ = nullptr;
  uint64_t ticket = sent_;
  lock.unlock();
  handler_(copy);
  lock.lock();
  if (done_ < ticket) done_ = ticket;
  finished_.notify_all();
}

}  // namespace kivu
