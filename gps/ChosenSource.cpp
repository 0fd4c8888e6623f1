#include "gps/ChosenSource.h"

#include "platform/Diagnostics.h"

namespace kivu {

ChosenSource::ChosenSource(const GpsSource& source, const Clock& clock)
    : kind_(source.kind),
      ports_(source.ports.empty() ? SerialPortPaths() : source.ports),
      gpsd_(source.gpsd, clock) {}

bool ChosenSource::Prepare() {
  switch (kind_) {
    case GpsSourceKind::Gpsd:
      return true;
    case GpsSourceKind::SerialPorts:
      return ports_.Prepare();
    case GpsSourceKind::Automatic:
      break;
  }
  return ports_.Prepare([this] {
    if (!gpsd_.Connect(false)) return false;
    ReportInfo("no GPS port could be opened, and a gpsd answers: using it");
    return true;
  });
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
