#include "gps/GpsdAddress.h"

#include <cctype>
#include <cstdlib>

#include "platform/TcpConnection.h"

namespace kivu {

namespace {

bool IsHostChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

bool IsIpv6Char(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
}

template <typename Predicate>
bool AllOf(std::string_view text, Predicate ok) {
  for (char c : text)
    if (!ok(c)) return false;
  return true;
}

bool ParsePort(std::string_view text, uint16_t& port) {
  if (text.empty() || text.size() > 5 || !AllOf(text, [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  long value = std::strtol(std::string(text).c_str(), nullptr, 10);
  if (value < 1 || value > 65535) return false;
  port = static_cast<uint16_t>(value);
  return true;
}

}  // namespace

bool ParseGpsdAddress(std::string_view text, GpsdAddress& address) {
  GpsdAddress parsed;
  std::string_view host = text, port;
  if (!text.empty() && text.front() == '[') {
    size_t close = text.find(']');
    if (close == std::string_view::npos) return false;
    host = text.substr(1, close - 1);
    std::string_view rest = text.substr(close + 1);
    if (host.empty() || !AllOf(host, IsIpv6Char)) return false;
    if (!rest.empty()) {
      if (rest.front() != ':') return false;
      port = rest.substr(1);
      if (port.empty()) return false;
    }
  } else if (size_t colon = text.find(':'); colon != std::string_view::npos) {
    if (text.find(':', colon + 1) != std::string_view::npos) {
      // Two colons or more: an IPv6 address without a port.
      if (!AllOf(text, IsIpv6Char)) return false;
    } else {
      host = text.substr(0, colon);
      port = text.substr(colon + 1);
      if (port.empty() || !AllOf(host, IsHostChar)) return false;
    }
  } else if (!AllOf(host, IsHostChar)) {
    return false;
  }
  if (!host.empty()) parsed.host = std::string(host);
  if (!port.empty() && !ParsePort(port, parsed.port)) return false;
  address = parsed;
  return true;
}

std::string GpsdAddressText(const GpsdAddress& address) {
  return HostPortText(address.host, address.port);
}

}  // namespace kivu
