// gpsd as a source of GPS messages: where to find it, what Kivu's GPS_SOURCE setting names, and the
// split of what gpsd sends into the NMEA stream (for the cycle assembler) and gpsd's own reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Where the receiver reads its messages from.
enum class GpsSourceKind {
  Automatic,    // the serial ports; where none opens, a gpsd that answers at the gpsd address
  SerialPorts,  // the serial ports only
  Gpsd,         // gpsd only: Kivu never opens a port itself
};

struct GpsSource {
  GpsSourceKind kind = GpsSourceKind::SerialPorts;
  // The ports to try, in order; empty: the table in force (SerialPortPaths()).
  std::vector<std::string> ports;
  GpsdAddress gpsd;
  bool operator==(const GpsSource&) const = default;
};

// The GPS_SOURCE setting: "" is Automatic, "gpsd" or "gpsd:HOST[:PORT]" a gpsd, an absolute device
// path that one serial port. False (and source untouched) for anything else.
bool ParseGpsSourceSetting(std::string_view text, GpsSource& source);
// The setting that names source (Automatic with the default gpsd address gives "").
std::string GpsSourceSetting(const GpsSource& source);

// What the command line or the environment chose for this run (--port, --gpsd, a replay, KIVU_PORTS,
// KIVU_GPSD), which wins over the setting. Unset: the setting decides.
void SetGpsSourceOverride(std::optional<GpsSource> source);
// The source for a run whose setting is setting: the override, else KIVU_GPSD (a gpsd address, empty
// for the default), else KIVU_PORTS (those ports only), else the setting; a setting that names
// nothing usable counts as Automatic.
GpsSource ChooseGpsSource(const std::string& setting);

// The request that starts gpsd's stream: NMEA sentences as its receivers send them (or as gpsd makes
// them from a binary receiver's fixes), without its JSON reports.
extern const char kGpsdWatchRequest[];

// What gpsd said of itself in its JSON lines.
struct GpsdReport {
  std::string kind;        // the "class": "VERSION", "DEVICES", "ERROR" ...
  std::string message;     // VERSION: the release; ERROR: the message
  bool noDevices = false;  // DEVICES: gpsd has no receiver
};

// Splits gpsd's output into lines. A line that begins with '{' is one of gpsd's JSON reports and goes
// to the report handler (the first 1 KiB of it is read); every other byte passes straight on to the
// NMEA handler as it comes, partial sentences included, for the cycle assembler to gather.
class GpsdStream {
 public:
  using NmeaHandler = std::function<void(const char* data, size_t count)>;
  using ReportHandler = std::function<void(const GpsdReport& report)>;

  GpsdStream(NmeaHandler nmea, ReportHandler report) : nmea_(std::move(nmea)), report_(std::move(report)) {}

  void Feed(const char* data, size_t count);
  // A new connection: whatever was half-way through a line is forgotten.
  void Reset();

 private:
  enum class Line { Start, Nmea, Report, ReportTooLong };
  void EndReport();

  NmeaHandler nmea_;
  ReportHandler report_;
  Line line_ = Line::Start;
  std::string reportLine_;
};

// The report that a JSON line of gpsd makes; kind is "" when the line has no "class".
GpsdReport ReadGpsdReport(std::string_view line);

}  // namespace kivu
