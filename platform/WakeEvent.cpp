#include "platform/WakeEvent.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <cerrno>
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

InputWait WaitForInput(int fd, const WakeEvent& wake, int timeoutMs, short events) noexcept {
  pollfd fds[2] = {{wake.Fd(), POLLIN, 0}, {fd, events, 0}};
  nfds_t count = fd >= 0 ? 2 : 1;
  for (;;) {
    int n = poll(fds, count, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return InputWait::HungUp;  // only a broken descriptor makes poll fail here
    if (n == 0) return InputWait::TimedOut;
    if (fds[0].revents & POLLIN) return InputWait::Woken;
    if (count == 2) {
      if (fds[1].revents & events) return InputWait::Readable;
      if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) return InputWait::HungUp;
    }
  }
}

ssize_t ReadInput(int fd, char* buffer, size_t capacity) noexcept {
  for (;;) {
    ssize_t n = read(fd, buffer, capacity);
    if (n > 0) return n;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    if (n == 0) errno = 0;
    return -1;
  }
}

}  // namespace kivu
