#include "gps/SerialSource.h"

#include <cerrno>

#include "platform/Diagnostics.h"

namespace kivu {

std::string DescribeOpenFailure(const std::string& path, const Result& failure) {
  std::string line = "GPS port " + path + ": ";
  if (IsHeldElsewhere(failure)) {
    line += "in use by another program";
  } else if (failure.Error() == ENOTTY) {
    line += "not a serial port";
  } else {
    line += failure.Text();
  }
  if (failure.Error() == EACCES || failure.Error() == EPERM) {
    const std::string group = SerialPortGroup(path);
    line += group.empty() ? " (its permissions let only its owner open it)"
                          : " (add your user to the '" + group + "' group and log in again)";
  }
  return line;
}

SerialPortSource::SerialPortSource(std::vector<std::string> table) : table_(std::move(table)) {
  if (table_.size() > kSerialPortCount) table_.resize(kSerialPortCount);
}

void SerialPortSource::EnumPorts() {
  ports_.clear();
  missing_.clear();
  for (const std::string& path : table_) {
    if (path.empty()) continue;
    Result probe = ProbeSerialPort(path);
    if (probe || IsHeldOrForbidden(probe)) {
      ports_.push_back(path);
    } else {
      missing_.emplace_back(path, std::move(probe));
    }
  }
}

bool SerialPortSource::Prepare(const std::function<bool()>& fallback) {
  EnumPorts();
  if (!ports_.empty() && OpenFirstPort(true)) return true;
  if (fallback && fallback()) return true;
  if (ports_.empty()) {
    for (const auto& [path, failure] : missing_)
      ReportError(DescribeOpenFailure(path, failure));
    return false;
  }
  ReportWarning("no GPS port could be opened; trying again every second");
  return true;
}

bool SerialPortSource::OpenFirstPort(bool report) {
  for (const std::string& path : ports_) {
    Result result = port_.Open(path);
    if (result) {
      ReportInfo("reading GPS messages from " + path);
      return true;
    }
    if (report) ReportError(DescribeOpenFailure(path, result));
  }
  return false;
}

void SerialPortSource::Open(bool first) {
  if (first) return;
  if (lost_.empty()) {
    OpenFirstPort(false);
  } else if (port_.Open(lost_)) {
    ReportInfo("GPS port " + lost_ + " is back");
    lost_.clear();
  }
}

void SerialPortSource::WentAway() {
  // A receiver that was pulled out: look for the same device once a second.
  lost_ = port_.Path();
  ReportWarning("GPS port " + lost_ + " went away; waiting for it to come back");
  port_.Close();
}

}  // namespace kivu
