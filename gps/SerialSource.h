// The serial ports as the receiver's source: the ports of a table that exist, the first of them that
// opens, and, once the receiver is pulled out, the same port again when it comes back.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gps/ByteSource.h"
#include "platform/Result.h"
#include "platform/SerialPort.h"

namespace kivu {

// One line for the user about a port that would not open, with a hint where there is one.
std::string DescribeOpenFailure(const std::string& path, const Result& failure);

class SerialPortSource final : public ByteSource {
 public:
  // The ports to look at, in order; only the first kSerialPortCount count.
  explicit SerialPortSource(std::vector<std::string> table);

  // Lists every port of the table that exists, free or held elsewhere, remembering why the others
  // would not open.
  void EnumPorts();
  const std::vector<std::string>& PortPaths() const { return ports_; }

  bool CanWait() const noexcept override { return port_.CanWait(); }
  // Lists the ports and opens the first that opens, saying why each would not. Where none opens,
  // fallback may take their place (true when it did). False when no port exists, with the reason
  // for each.
  bool Prepare(const std::function<bool()>& fallback);
  bool Prepare() override { return Prepare(nullptr); }
  // At the first try nothing: the caller's thread tried the ports already. Later: the port that went
  // away, while one did, else the first listed port that opens.
  void Open(bool first) override;
  bool IsOpen() const noexcept override { return port_.IsOpen(); }
  InputWait Wait(int timeoutMs) noexcept override { return port_.Wait(timeoutMs); }
  ssize_t Read(char* buffer, size_t capacity) override { return port_.Read(buffer, capacity); }
  void WentAway() override;
  // Whether a port went away and is waited for (no other is tried meanwhile).
  bool WaitsForLostPort() const noexcept { return !lost_.empty(); }
  void Close() noexcept override { port_.Close(); }
  void Wake() noexcept override { port_.Wake(); }
  std::string Name() const override { return port_.Path(); }

 private:
  // Opens the first listed port that opens; says why each would not when report. Whether one opened.
  bool OpenFirstPort(bool report);

  std::vector<std::string> table_;
  std::vector<std::string> ports_;
  std::vector<std::pair<std::string, Result>> missing_;  // the ports not listed, and why
  std::string lost_;                                     // the port that went away, until it is back
  SerialPort port_;
};

}  // namespace kivu
