#include "gps/ChosenSource.h"

#include "platform/Diagnostics.h"

namespace kivu {

ChosenSource::ChosenSource(const GpsSource& source)
    : kind_(source.kind),
      ports_(source.ports.empty() ? SerialPortPaths() : source.ports),
      gpsd_(source.gpsd) {}

bool ChosenSource::Prepare() {
  if (kind_ == GpsSourceKind::Gpsd) return true;
  ports_.EnumPorts();
  const bool opened = !ports_.PortPaths().empty() && ports_.OpenFirstPort(true);
  if (!opened && kind_ == GpsSourceKind::Automatic && gpsd_.Connect(false)) {
    ReportInfo("no GPS port could be opened, and a gpsd answers: using it");
  } else if (ports_.PortPaths().empty()) {
    ports_.ReportMissingPorts();
    return false;
  } else if (!opened) {
    ReportWarning("no GPS port could be opened; trying again every second");
  }
  return true;
}

void ChosenSource::Open(bool first) {
  if (first) {
    if (kind_ == GpsSourceKind::Gpsd) gpsd_.Connect(true);
    return;
  }
  if (kind_ != GpsSourceKind::Gpsd) {
    ports_.Open(false);
    // A receiver that was pulled out is waited for alone.
    if (ports_.IsOpen() || ports_.WaitsForLostPort()) return;
  }
  if (kind_ != GpsSourceKind::SerialPorts) gpsd_.Connect(false);
}

void ChosenSource::Close() noexcept {
  ports_.Close();
  gpsd_.Close();
}

void ChosenSource::Wake() noexcept {
  ports_.Wake();
  gpsd_.Wake();
}

std::string ChosenSource::Name() const {
  std::string name = gpsd_.Name();
  return name.empty() ? ports_.Name() : name;
}

}  // namespace kivu
