// Where the receiver reads its messages: the kinds of source, what Kivu's GPS_SOURCE setting names, and
// the policy of a run that picks one from the command line, the environment and the setting.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gps/GpsdAddress.h"

namespace kivu {

enum class GpsSourceKind {
  Automatic,    // the serial ports; where none opens, a gpsd that answers at the gpsd address
  SerialPorts,  // the serial ports only
  Gpsd,         // gpsd only: Kivu never opens a port itself
};

// What the receiver is given to read from: it enumerates the ports, tries them again once a second and,
// choosing automatically, falls back to the gpsd.
struct GpsSource {
  GpsSourceKind kind = GpsSourceKind::SerialPorts;
  // The ports to try, in order (the first kSerialPortCount); empty: the environment's table
  // (SerialPortPaths()).
  std::vector<std::string> ports;
  GpsdAddress gpsd;
  bool operator==(const GpsSource&) const = default;
};

// The GPS_SOURCE setting: "" is Automatic, "gpsd" or "gpsd:HOST[:PORT]" a gpsd, an absolute device
// path that one serial port. False (and source untouched) for anything else.
bool ParseGpsSourceSetting(std::string_view text, GpsSource& source);
// The setting that names source (Automatic with the default gpsd address gives "").
std::string GpsSourceSetting(const GpsSource& source);

// How a run picks its source, made by whoever starts the run (kivu from its command line, a replay, a
// test) and handed to the view.
struct GpsSourcePolicy {
  // What the command line chose for this run (--port, --gpsd, a replay), which wins over everything.
  std::optional<GpsSource> commandLine;
  // The ports an automatic choice looks at; empty: the environment's table (SerialPortPaths()).
  std::vector<std::string> portTable;

  // The source for a run whose setting is setting: the command line's, else KIVU_GPSD (a gpsd address,
  // empty for the default), else KIVU_PORTS (those ports only), else the setting; a setting that
  // names nothing usable counts as Automatic. Says on standard error what it cannot read.
  GpsSource For(const std::string& setting) const;

 private:
  GpsSource Choose(const std::string& setting) const;
};

}  // namespace kivu
