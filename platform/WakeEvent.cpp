#include "platform/WakeEvent.h"

#include <sys/eventfd.h>

#include <cstdint>

namespace kivu {

WakeEvent::WakeEvent() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void WakeEvent::Signal() noexcept {
  uint64_t one = 1;
  // A full counter still wakes the poller, so a failed write needs no handling.
  [[maybe_unused]] ssize_t n = write(fd_.Get(), &one, sizeof one);
}

void WakeEvent::Clear() noexcept {
  uint64_t value;
  [[maybe_unused]] ssize_t n = read(fd_.Get(), &value, sizeof value);
}

}  // namespace kivu
