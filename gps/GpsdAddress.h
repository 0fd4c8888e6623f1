// Where a gpsd listens: its address as the user writes it, and as messages show it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kivu {

constexpr uint16_t kGpsdDefaultPort = 2947;

struct GpsdAddress {
  std::string host = "localhost";
  uint16_t port = kGpsdDefaultPort;
  bool operator==(const GpsdAddress&) const = default;
};

// "HOST", "HOST:PORT", ":PORT", "[IPV6]" or "[IPV6]:PORT"; an empty text or part takes the default.
// False for anything else (a port that is not 1..65535, a space, a bare IPv6 address with a port).
bool ParseGpsdAddress(std::string_view text, GpsdAddress& address);
// "localhost:2947", "[::1]:2947".
std::string GpsdAddressText(const GpsdAddress& address);

}  // namespace kivu
