#include "gps/GpsSource.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/Diagnostics.h"
#include "platform/SerialPort.h"

namespace kivu {

namespace {

bool IsPathChar(char c) {
  return c > ' ' && c != 0x7f && c != ':';
}

}  // namespace

bool ParseGpsSourceSetting(std::string_view text, GpsSource& source) {
  GpsSource parsed;
  if (text.empty()) {
    parsed.kind = GpsSourceKind::Automatic;
  } else if (text == "gpsd" || text.substr(0, 5) == "gpsd:") {
    parsed.kind = GpsSourceKind::Gpsd;
    if (text.size() > 5 && !ParseGpsdAddress(text.substr(5), parsed.gpsd)) return false;
  } else if (text.front() == '/' && std::all_of(text.begin(), text.end(), IsPathChar)) {
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

GpsSource GpsSourcePolicy::For(const std::string& setting) const {
  GpsSource source = Choose(setting);
  if (source.ports.empty()) source.ports = portTable;
  return source;
}

GpsSource GpsSourcePolicy::Choose(const std::string& setting) const {
  if (commandLine) return *commandLine;
  GpsSource source;
  if (const char* gpsd = std::getenv("KIVU_GPSD")) {
    source.kind = GpsSourceKind::Gpsd;
    if (!ParseGpsdAddress(gpsd, source.gpsd))
      ReportWarning(std::string("KIVU_GPSD \"") + gpsd + "\" is not HOST[:PORT]; using " +
                    GpsdAddressText(source.gpsd));
    return source;
  }
  if (const char* ports = std::getenv("KIVU_PORTS"); ports && *ports) {
    source.ports = SerialPortPaths();  // those ports only
    return source;
  }
  if (!ParseGpsSourceSetting(setting, source)) {
    ReportWarning("GPS_SOURCE \"" + setting + "\" names no GPS source; choosing one automatically");
    source = GpsSource{};
    source.kind = GpsSourceKind::Automatic;
  }
  return source;
}

}  // namespace kivu
