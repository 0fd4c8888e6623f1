#include "platform/TcpConnection.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace kivu {

namespace {

using Steady = std::chrono::steady_clock;

// What is left of a time-out that began at start, never below 0.
int RemainingMs(Steady::time_point start, int timeoutMs) {
  auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start).count();
  return spent >= timeoutMs ? 0 : timeoutMs - static_cast<int>(spent);
}

struct AddressList {
  addrinfo* list = nullptr;
  ~AddressList() {
    if (list) freeaddrinfo(list);
  }
};

}  // namespace

Result TcpConnection::Connect(const std::string& host, uint16_t port, int timeoutMs) {
  Close();
  const Steady::time_point start = Steady::now();
  addrinfo hints = {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
  AddressList addresses;
  const std::string service = std::to_string(port);
  if (int result = getaddrinfo(host.c_str(), service.c_str(), &hints, &addresses.list); result != 0)
    return result == EAI_SYSTEM ? Result::Failure(errno)
                                : Result::Failure(EHOSTUNREACH, gai_strerror(result));
  int error = EHOSTUNREACH;
  for (const addrinfo* a = addresses.list; a; a = a->ai_next) {
    UniqueFd fd(socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
    if (!fd) {
      error = errno;
      continue;
    }
    if (connect(fd.Get(), a->ai_addr, a->ai_addrlen) != 0) {
      if (errno != EINPROGRESS) {
        error = errno;
        continue;
      }
      InputWait wait = WaitForInput(fd.Get(), wake_, RemainingMs(start, timeoutMs), POLLOUT);
      if (wait == InputWait::Woken) return Result::Failure(ECANCELED);
      if (wait == InputWait::TimedOut) return Result::Failure(ETIMEDOUT);
      socklen_t length = sizeof error;
      if (getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
      if (error != 0) continue;
    }
    // Sentences are small and each should leave at once.
    int one = 1;
    setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fd_ = std::move(fd);
    return {};
  }
  return Result::Failure(error);
}

Result TcpConnection::Send(std::string_view text, int timeoutMs) {
  const Steady::time_point start = Steady::now();
  while (!text.empty()) {
    ssize_t n = send(fd_.Get(), text.data(), text.size(), MSG_NOSIGNAL);
    if (n > 0) {
      text.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Result::Failure(errno);
    InputWait wait = WaitForInput(fd_.Get(), wake_, RemainingMs(start, timeoutMs), POLLOUT);
    if (wait == InputWait::Woken) return Result::Failure(ECANCELED);
    if (wait == InputWait::TimedOut) return Result::Failure(ETIMEDOUT);
    if (wait == InputWait::HungUp) return Result::Failure(EPIPE);
  }
  return {};
}

void TcpConnection::Close() {
  fd_.Reset();
}

std::string HostPortText(const std::string& host, uint16_t port) {
  bool ipv6 = host.find(':') != std::string::npos;
  return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

}  // namespace kivu
