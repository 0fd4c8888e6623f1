// A TCP client connection as a reader thread uses it (the gpsd source): connecting, writing, waiting
// and reading all end early when the connection is woken, so a shutdown never waits on the network.
#pragma once

#include <poll.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Result.h"
#include "platform/UniqueFd.h"
#include "platform/WakeEvent.h"

namespace kivu {

class TcpConnection {
 public:
  TcpConnection() = default;
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  // False when the wake event could not be made (out of descriptors).
  bool CanWait() const noexcept { return wake_.IsValid(); }

  // Closes a connection open before, then connects to host:port, trying each of the host's addresses
  // within timeoutMs in all. A failure carries its errno (ECANCELED when woken, ETIMEDOUT,
  // ECONNREFUSED ...); a name the resolver cannot resolve fails with EHOSTUNREACH and the resolver's
  // own words. Resolving a name (not a number, not in /etc/hosts) asks the resolver, which a wake
  // cannot end.
  Result Connect(const std::string& host, uint16_t port, int timeoutMs);
  // Writes all of text, waiting for room as needed (at most timeoutMs in all).
  Result Send(std::string_view text, int timeoutMs);
  void Close();
  // Reader thread: whether a connection is open.
  bool IsOpen() const noexcept { return fd_.IsValid(); }

  // As SerialPort: input, a hang-up, the wake, or the time-out (ms, -1 for none).
  InputWait Wait(int timeoutMs) noexcept { return WaitForInput(fd_.Get(), wake_, timeoutMs, POLLIN); }
  ssize_t Read(char* buffer, size_t capacity) noexcept { return ReadInput(fd_.Get(), buffer, capacity); }

  // Any thread: ends the wait in progress and every later one.
  void Wake() noexcept { wake_.Signal(); }

 private:
  UniqueFd fd_;
  WakeEvent wake_;
};

// "host:port" as the user writes it, with brackets around an IPv6 address.
std::string HostPortText(const std::string& host, uint16_t port);

}  // namespace kivu
