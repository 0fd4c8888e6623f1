// A wake-up descriptor (eventfd) that another thread signals to end a poll() early.
#pragma once

#include "platform/UniqueFd.h"

namespace kivu {

class WakeEvent {
 public:
  WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  // False when the descriptor could not be made (out of descriptors).
  bool IsValid() const noexcept { return fd_.IsValid(); }
  // The descriptor to poll for POLLIN.
  int Fd() const noexcept { return fd_.Get(); }
  // Wakes every poll on Fd(); stays signalled until Clear().
  void Signal() noexcept;
  void Clear() noexcept;

 private:
  UniqueFd fd_;
};

}  // namespace kivu
