// A wake-up descriptor (eventfd) that another thread signals to end a poll() early, and the waits and
// reads of a reader thread that such an event can end (serial ports, the gpsd connection).
#pragma once

#include <sys/types.h>

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

enum class InputWait { Readable, Woken, HungUp, TimedOut };

// Waits until fd (when valid) has what events asks for (POLLIN: input, POLLOUT: room to write) or hangs
// up, the wake event is signalled, or the time-out (ms, -1 for none) passes. With no valid fd only the
// wake and the time-out end the wait. Readable stands for whichever of the events came.
InputWait WaitForInput(int fd, const WakeEvent& wake, int timeoutMs, short events) noexcept;

// One read of what is waiting on a non-blocking fd, up to capacity bytes: the count, 0 when nothing
// was there after all, or -1 when the other end hung up or failed (end of file, EIO, ENXIO ...), with
// errno set (0 for end of file).
ssize_t ReadInput(int fd, char* buffer, size_t capacity) noexcept;

}  // namespace kivu
