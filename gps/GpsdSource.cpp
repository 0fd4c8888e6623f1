#include "gps/GpsdSource.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/TcpConnection.h"

namespace kivu {

namespace {

// The longest part of a JSON report that is read; gpsd's VERSION, DEVICES and ERROR fit well within.
constexpr size_t kReportLimit = 1024;
// The longest string value taken from a report.
constexpr size_t kValueLimit = 200;

std::mutex overrideMutex;
std::optional<GpsSource> sourceOverride;

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

// Where the value of "key" begins in a JSON line (spaces skipped), or npos.
size_t JsonValueAt(std::string_view line, std::string_view key) {
  std::string pattern(1, '"');
  pattern.append(key);
  pattern.append("\":");
  size_t at = line.find(pattern);
  if (at == std::string_view::npos) return at;
  size_t i = at + pattern.size();
  while (i < line.size() && line[i] == ' ')
    ++i;
  return i < line.size() ? i : std::string_view::npos;
}

// The string value of "key", "" when there is none; escapes are taken as the character they escape,
// which is all a report's words need.
std::string JsonString(std::string_view line, std::string_view key) {
  size_t i = JsonValueAt(line, key);
  if (i == std::string_view::npos || line[i] != '"') return "";
  std::string value;
  for (++i; i < line.size() && line[i] != '"' && value.size() < kValueLimit; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    value += line[i];
  }
  return value;
}

bool EmptyJsonList(std::string_view line, std::string_view key) {
  size_t i = JsonValueAt(line, key);
  if (i == std::string_view::npos || line[i] != '[') return false;
  for (++i; i < line.size() && line[i] == ' ';)
    ++i;
  return i < line.size() && line[i] == ']';
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

bool ParseGpsSourceSetting(std::string_view text, GpsSource& source) {
  GpsSource parsed;
  if (text.empty()) {
    parsed.kind = GpsSourceKind::Automatic;
  } else if (text == "gpsd" || text.substr(0, 5) == "gpsd:") {
    parsed.kind = GpsSourceKind::Gpsd;
    if (text.size() > 5 && !ParseGpsdAddress(text.substr(5), parsed.gpsd)) return false;
  } else if (text.front() == '/' && AllOf(text, [](char c) { return c > ' ' && c != 0x7f && c != ':'; })) {
    parsed.kind = GpsSourceKind::SerialPorts;
    parsed.ports.emplace_back(text);
  } else {
    return false;
  }
  source = std::move(parsed);
  return true;
}

std::string GpsSourceSetting(const GpsSource& source) {
  switch (source.kind) {
    case GpsSourceKind::Automatic:
      return "";
    case GpsSourceKind::Gpsd:
      return source.gpsd == GpsdAddress{} ? "gpsd" : "gpsd:" + GpsdAddressText(source.gpsd);
    case GpsSourceKind::SerialPorts:
      return source.ports.empty() ? "" : source.ports.front();
  }
  return "";
}

void SetGpsSourceOverride(std::optional<GpsSource> source) {
  std::lock_guard lock(overrideMutex);
  sourceOverride = std::move(source);
}

GpsSource ChooseGpsSource(const std::string& setting) {
  {
    std::lock_guard lock(overrideMutex);
    if (sourceOverride) return *sourceOverride;
  }
  GpsSource source;
  if (const char* gpsd = std::getenv("KIVU_GPSD")) {
    source.kind = GpsSourceKind::Gpsd;
    if (!ParseGpsdAddress(gpsd, source.gpsd))
      std::fprintf(stderr, "kivu: KIVU_GPSD \"%s\" is not HOST[:PORT]; using %s\n", gpsd,
                   GpsdAddressText(source.gpsd).c_str());
    return source;
  }
  if (const char* ports = std::getenv("KIVU_PORTS"); ports && *ports) return source;  // those ports only
  if (!ParseGpsSourceSetting(setting, source)) {
    std::fprintf(stderr, "kivu: GPS_SOURCE \"%s\" names no GPS source; choosing one automatically\n",
                 setting.c_str());
    source = GpsSource{};
    source.kind = GpsSourceKind::Automatic;
  }
  return source;
}

const char kGpsdWatchRequest[] = "?WATCH={\"enable\":true,\"json\":false,\"nmea\":true};\n";

void GpsdStream::Feed(const char* data, size_t count) {
  while (count > 0) {
    if (line_ == Line::Start) {
      line_ = *data == '{' ? Line::Report : Line::Nmea;
      reportLine_.clear();
    }
    const char* lf = static_cast<const char*>(std::memchr(data, '\n', count));
    size_t take = lf ? static_cast<size_t>(lf - data) + 1 : count;
    if (line_ == Line::Nmea) {
      nmea_(data, take);
    } else if (line_ == Line::Report) {
      size_t room = kReportLimit - reportLine_.size();
      reportLine_.append(data, take < room ? take : room);
      if (take >= room && !lf) line_ = Line::ReportTooLong;
    }
    if (lf) {
      if (line_ != Line::Nmea) EndReport();
      line_ = Line::Start;
    }
    data += take;
    count -= take;
  }
}

void GpsdStream::EndReport() {
  GpsdReport report = ReadGpsdReport(reportLine_);
  reportLine_.clear();
  if (!report.kind.empty() && report_) report_(report);
}

void GpsdStream::Reset() {
  line_ = Line::Start;
  reportLine_.clear();
}

GpsdReport ReadGpsdReport(std::string_view line) {
  GpsdReport report;
  report.kind = JsonString(line, "class");
  if (report.kind == "VERSION") {
    report.message = JsonString(line, "release");
  } else if (report.kind == "ERROR") {
    report.message = JsonString(line, "message");
  } else if (report.kind == "DEVICES") {
    report.noDevices = EmptyJsonList(line, "devices");
  }
  return report;
}

}  // namespace kivu
