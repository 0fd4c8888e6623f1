#include "gps/GpsParser.h"

#include <cstdio>
#include <cstring>
#include <system_error>

#include "gps/NmeaParser.h"

namespace kivu {

namespace {

// How often the reader looks for a port that is away or was never free, or a gpsd that does not answer.
constexpr int kRetryMs = 1000;
// How long a gpsd may take to accept the connection and the request for its stream.
constexpr int kGpsdConnectMs = 3000;

}  // namespace

CGpsParser::CGpsParser()
    : assembler_([this](const char* block, size_t count) { HandleCycle(block, count); }),
      gpsdStream_([this](const char* data, size_t count) { HandleBytes(data, count); },
                  [this](const GpsdReport& report) { HandleGpsdReport(report); }) {
  // The count of sentences heard is brought up to date at every cycle, so that it moves on also within
  // one long feed (a replay).
  assembler_.SetCycleEndObserver([this](uint64_t, int time) {
    sentenceCount_.store(assembler_.GoodSentences(), std::memory_order_relaxed);
    if (cycleObserver_) cycleObserver_(time);
  });
}

CGpsParser::~CGpsParser() {
  stopping_ = true;
  if (owner_) owner_->RefuseGpsFixes();
  port_.Wake();
  gpsd_.Wake();
  if (readerThread_.joinable()) readerThread_.join();
  port_.Close();
  gpsd_.Close();
  messageLog_.Close();
}

void CGpsParser::EnumPorts(const std::string& prefix) {
  portTable_ = source_.ports.empty() ? SerialPortPaths() : source_.ports;
  portNames_.clear();
  missingPorts_.clear();
  for (int n = 1; n <= kSerialPortCount; ++n) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%d:", prefix.c_str(), n);
    std::string path = SerialDevicePath(name, portTable_);
    if (path.empty()) continue;
    const int error = ProbeSerialPort(path);
    if (error == 0 || IsHeldOrForbidden(error)) {
      portNames_.push_back(name);
    } else {
      missingPorts_.emplace_back(path, error);
    }
  }
}

bool CGpsParser::OpenFirstPort(bool report) {
  for (const std::string& name : portNames_) {
    std::string path = SerialDevicePath(name, portTable_);
    int error = port_.Open(path);
    if (error == 0) {
      std::fprintf(stderr, "kivu: reading GPS messages from %s\n", path.c_str());
      NotifyProgress();
      return true;
    }
    if (report) std::fprintf(stderr, "%s\n", DescribeOpenFailure(path, error).c_str());
  }
  return false;
}

bool CGpsParser::OpenGpsd(bool report) {
  const std::string where = GpsdAddressText(source_.gpsd);
  int error = gpsd_.Connect(source_.gpsd.host, source_.gpsd.port, kGpsdConnectMs);
  if (error == 0) error = gpsd_.Send(kGpsdWatchRequest, kGpsdConnectMs);
  if (error != 0) {
    gpsd_.Close();
    if (report) std::fprintf(stderr, "%s\n", DescribeConnectFailure("kivu: gpsd at " + where, error).c_str());
    return false;
  }
  // The stream counts as open once gpsd has answered the request (HandleGpsdReport).
  gpsdStream_.Reset();
  return true;
}

void CGpsParser::GpsdWentAway() {
  // What gpsd passed on of the last cycle is all there is.
  assembler_.EndCycle();
  gpsd_.Close();
  {
    std::lock_guard lock(gpsdMutex_);
    if (gpsdName_.empty()) return;  // it never answered: nothing was reported of it
    gpsdName_.clear();
  }
  std::fprintf(stderr, "kivu: gpsd at %s went away; trying again every second\n",
               GpsdAddressText(source_.gpsd).c_str());
  gpsdAway_ = true;
  NotifyProgress();
}

void CGpsParser::HandleGpsdReport(const GpsdReport& report) {
  const std::string where = GpsdAddressText(source_.gpsd);
  if (report.kind == "WATCH") {
    {
      std::lock_guard lock(gpsdMutex_);
      if (!gpsdName_.empty()) return;
      gpsdName_ = "gpsd " + where;
    }
    std::fprintf(stderr,
                 gpsdAway_ ? "kivu: gpsd at %s is back\n" : "kivu: reading GPS messages from gpsd at %s\n",
                 where.c_str());
    gpsdAway_ = false;
    NotifyProgress();
  } else if (report.kind == "ERROR") {
    std::fprintf(stderr, "kivu: gpsd at %s: %s\n", where.c_str(), report.message.c_str());
  } else if (report.noDevices) {
    std::fprintf(stderr, "kivu: gpsd at %s has no receiver; waiting for one\n", where.c_str());
  }
}

void CGpsParser::NotifyProgress() {
  // Taken and let go, so that a waiter that has just found its condition false is waiting by now.
  { std::lock_guard lock(progressMutex_); }
  progress_.notify_all();
}

bool CGpsParser::WaitForProgress(const std::function<bool()>& done, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(progressMutex_);
  return progress_.wait_for(lock, timeout, done);
}

std::string CGpsParser::PortPath() const {
  {
    std::lock_guard lock(gpsdMutex_);
    if (!gpsdName_.empty()) return gpsdName_;
  }
  return port_.Path();
}

bool CGpsParser::Start(GpsFixOwner* owner) {
  owner_ = owner;
  started_ = true;
  if (!port_.CanWait() || !gpsd_.CanWait()) return false;
  if (source_.kind == GpsSourceKind::Gpsd) {
    // The reader connects: a gpsd far away may keep it waiting, never the caller.
  } else {
    EnumPorts("com");
    bool opened = !portNames_.empty() && OpenFirstPort(true);
    if (!opened && source_.kind == GpsSourceKind::Automatic && OpenGpsd(false)) {
      std::fprintf(stderr, "kivu: no GPS port could be opened, and a gpsd answers: using it\n");
    } else if (portNames_.empty()) {
      for (const auto& [path, error] : missingPorts_)
        std::fprintf(stderr, "%s\n", DescribeOpenFailure(path, error).c_str());
      return false;
    } else if (!opened) {
      std::fprintf(stderr, "kivu: no GPS port could be opened; trying again every second\n");
    }
  }
  // The receiver never writes to a port and never changes the line settings; queue sizes and time-outs
  // have no counterpart here: the cycle assembler and its quiet gap do the time-outs' work.
  try {
    readerThread_ = std::thread([this] { ReaderThread(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void CGpsParser::WaitForPortToReturn(const std::string& path) {
  // A receiver that was pulled out: what it sent of its last cycle is all there is. Look for the
  // same device once a second, without using the processor in between.
  assembler_.EndCycle();
  std::fprintf(stderr, "kivu: GPS port %s went away; waiting for it to come back\n", path.c_str());
  port_.Close();
  NotifyProgress();
  while (!stopping_) {
    if (port_.Wait(kRetryMs) == InputWait::Woken) return;
    if (port_.Open(path) == 0) {
      std::fprintf(stderr, "kivu: GPS port %s is back\n", path.c_str());
      NotifyProgress();
      return;
    }
  }
}

void CGpsParser::ReaderThread() {
  char buffer[kGpsReadSize];
  if (source_.kind == GpsSourceKind::Gpsd && !OpenGpsd(true) && !stopping_)
    std::fprintf(stderr, "kivu: trying gpsd again every second\n");
  while (!stopping_) {
    if (!port_.IsOpen() && !gpsd_.IsOpen()) {
      // Nothing answered: try again once a second.
      if (port_.Wait(kRetryMs) == InputWait::Woken) return;
      if (source_.kind != GpsSourceKind::Gpsd && OpenFirstPort(false)) continue;
      if (source_.kind != GpsSourceKind::SerialPorts) OpenGpsd(false);
      continue;
    }
    // While a cycle is gathering, a quiet line ends it; otherwise the wait has no end of its own.
    const bool gpsd = gpsd_.IsOpen();
    const int timeoutMs = assembler_.HoldsSentences() ? kQuietGapMs : -1;
    InputWait wait = gpsd ? gpsd_.Wait(timeoutMs) : port_.Wait(timeoutMs);
    if (wait == InputWait::Woken) return;
    if (wait == InputWait::TimedOut) {
      assembler_.EndCycle();
      continue;
    }
    // A zero input count with the source readable is how an end of file shows, so the read decides.
    ssize_t count = -1;
    if (wait == InputWait::Readable)
      count = gpsd ? gpsd_.Read(buffer, sizeof buffer) : port_.Read(buffer, sizeof buffer);
    if (count < 0) {
      if (gpsd) {
        GpsdWentAway();
      } else {
        WaitForPortToReturn(port_.Path());
      }
      continue;
    }
    if (count > 0) {
      ++readCount_;
      NotifyProgress();
      if (gpsd) {
        gpsdStream_.Feed(buffer, static_cast<size_t>(count));
      } else {
        HandleBytes(buffer, static_cast<size_t>(count));
      }
    }
  }
}

void CGpsParser::HandleBytes(const char* data, size_t count) {
  assembler_.Feed(data, count);
  sentenceCount_.store(assembler_.GoodSentences(), std::memory_order_relaxed);
}

void CGpsParser::HandleCycle(const char* block, size_t count) {
  const char* comma = std::strchr(block, ',');
  if (!comma) return;
  const char* end;
  float time = static_cast<float>(NmeaStrtod(comma + 1, &end));
  if (time == lastTime_) return;  // the same second again
  HandleBlock(block, count);
  lastTime_ = time;
}

void CGpsParser::SetRecordMessages(const std::string& recordFolder, int32_t record) {
  recordMessages_ = record;
  if (record == 0) {
    messageLog_.Close();
    return;
  }
  if (messageLog_.IsOpen()) return;
  LocalTime local;
  ToLocalTime(clock_->Now(), local);
  if (!messageLog_.Open(GpsLogFileName(recordFolder, local)) && messageBox_) messageBox_(kOpenFileFailed);
}

void CGpsParser::HandleBlock(const char* block, size_t count) {
  messageLog_.Write(block, count);
  if (ParseNmeaBlock(fix_, block) && owner_ && !stopping_) owner_->SendGpsFix(fix_);
}

}  // namespace kivu
