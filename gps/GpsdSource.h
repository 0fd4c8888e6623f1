// gpsd as a source of GPS messages: the request for its NMEA stream, the split of what it sends into
// that stream (for the cycle assembler) and gpsd's own reports, and the byte source that reads a gpsd.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "gps/ByteSource.h"
#include "gps/GpsSource.h"
#include "gps/GpsdAddress.h"
#include "platform/Clock.h"
#include "platform/RepeatedReports.h"
#include "platform/TcpConnection.h"

namespace kivu {

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

// How long a gpsd that accepted the connection may take to answer the request for its stream before
// it is named as silent.
constexpr std::chrono::seconds kGpsdAnswerLimit{5};

// A gpsd's NMEA stream as the receiver reads it. The stream counts as open (it has a name) from gpsd's
// answer to the request on; what gpsd says of itself goes to standard error, each cause once with a
// count of its repeats at most once a minute (on clock's steady time), its sentences to the reader. A
// gpsd that accepts the connection and does not answer in time is named as silent.
class GpsdStreamSource final : public ByteSource {
 public:
  GpsdStreamSource(GpsdAddress address, const Clock& clock);

  bool CanWait() const noexcept override { return connection_.CanWait(); }
  // Connects and asks for the stream; at the first try, says why it cannot.
  void Open(bool first) override { Connect(first); }
  // The same, telling whether it is connected now.
  bool Connect(bool report);
  bool IsOpen() const noexcept override { return connection_.IsOpen(); }
  InputWait Wait(int timeoutMs) noexcept override;
  ssize_t Read(char* buffer, size_t capacity) override;
  void WentAway() override;
  void Close() noexcept override;
  void Wake() noexcept override;
  std::string Name() const override;
  bool Silent() const override;

 private:
  void HandleReport(const GpsdReport& report);
  // Milliseconds until the answer's time runs out or a count of repeats is due, -1 for neither.
  int MsUntilDue() const noexcept;
  void DoWhatIsDue();

  const GpsdAddress address_;
  const std::string where_;  // the address as messages show it
  TcpConnection connection_;
  GpsdStream stream_;
  char* out_ = nullptr;  // where Read puts the NMEA bytes of what it reads
  size_t outCount_ = 0;
  bool away_ = false;               // the gpsd went away and has not answered since
  std::atomic<bool> woken_{false};  // a connection the wake ended is no failure to retry
  const Clock& clock_;
  RepeatedReports reports_;
  bool awaitingAnswer_ = false;  // connected, and neither answered nor named as silent yet
  std::chrono::steady_clock::time_point answerDue_;
  mutable std::mutex nameMutex_;
  std::string name_;  // "gpsd HOST:PORT" while the gpsd sends its stream or is named as silent
  bool answered_ = false;
  bool silent_ = false;
};

}  // namespace kivu
