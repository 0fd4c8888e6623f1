#include "gps/GpsParser.h"

#include <cstdio>
#include <cstring>
#include <system_error>

#include "gps/NmeaParser.h"
#include "platform/SerialPort.h"

namespace kivu {

namespace {

// The gap that ends a burst: the reader keeps reading while bytes arrive within it.
constexpr int kBurstGapMs = 3;
// How often the reader looks for a port that is away or was never free.
constexpr int kRetryMs = 1000;

}  // namespace

CGpsParser::CGpsParser() = default;

CGpsParser::~CGpsParser() {
  stopping_ = true;
  if (owner_) owner_->RefuseGpsFixes();
  wake_.Signal();
  if (readerThread_.joinable()) readerThread_.join();
  port_.Reset();
  messageLog_.Close();
}

void CGpsParser::EnumPorts(const std::string& prefix) {
  portNames_.clear();
  for (int n = 1; n <= kSerialPortCount; ++n) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%d:", prefix.c_str(), n);
    std::string path = SerialDevicePath(name);
    if (path.empty()) continue;
    SerialOpenResult probe = OpenSerialPort(path);
    if (probe.fd || IsHeldOrForbidden(probe.error)) portNames_.push_back(name);
  }
}

std::string CGpsParser::PortPath() const {
  return port_ ? portPath_ : std::string();
}

bool CGpsParser::OpenFirstPort(bool report) {
  for (const std::string& name : portNames_) {
    std::string path = SerialDevicePath(name);
    SerialOpenResult result = OpenSerialPort(path);
    if (result.fd) {
      port_ = std::move(result.fd);
      portPath_ = path;
      PurgeSerialPort(port_.Get());
      std::fprintf(stderr, "kivu: reading GPS messages from %s\n", path.c_str());
      return true;
    }
    if (report) std::fprintf(stderr, "%s\n", DescribeOpenFailure(path, result.error).c_str());
  }
  return false;
}

bool CGpsParser::Start(GpsFixOwner* owner) {
  owner_ = owner;
  EnumPorts("com");
  if (portNames_.empty()) return false;
  if (!OpenFirstPort(true))
    std::fprintf(stderr, "kivu: no GPS port could be opened; trying again every second\n");
  // The receiver never writes and never changes the line settings; queue sizes and time-outs have
  // no counterpart here: the burst gap below does the time-outs' work.
  if (!wake_.IsValid()) return false;
  try {
    readerThread_ = std::thread([this] { ReaderThread(); });
  } catch (const std::system_error&) {
    return false;
  }
  readerThreadId_ = static_cast<uint32_t>(std::hash<std::thread::id>()(readerThread_.get_id()));
  return true;
}

void CGpsParser::WaitForPortToReturn() {
  // A receiver that was pulled out: look for the same device once a second, without using the
  // processor in between.
  std::fprintf(stderr, "kivu: GPS port %s went away; waiting for it to come back\n", portPath_.c_str());
  port_.Reset();
  while (!stopping_) {
    if (WaitForSerialInput(-1, wake_, kRetryMs) == SerialWait::Woken) return;
    SerialOpenResult result = OpenSerialPort(portPath_);
    if (result.fd) {
      port_ = std::move(result.fd);
      PurgeSerialPort(port_.Get());
      std::fprintf(stderr, "kivu: GPS port %s is back\n", portPath_.c_str());
      return;
    }
  }
}

void CGpsParser::ReaderThread() {
  char buffer[kGpsReadSize + 1];
  while (!stopping_) {
    if (!port_) {
      // No listed port was free: try them again once a second.
      if (WaitForSerialInput(-1, wake_, kRetryMs) == SerialWait::Woken) return;
      OpenFirstPort(false);
      continue;
    }
    SerialWait wait = WaitForSerialInput(port_.Get(), wake_, -1);
    if (wait == SerialWait::Woken) return;
    if (wait == SerialWait::HungUp) {
      WaitForPortToReturn();
      continue;
    }
    if (wait != SerialWait::Readable) continue;
    // A zero input count with the port readable is how an end of file shows, so the read decides.
    ssize_t count = ReadSerialBurst(port_.Get(), buffer, kGpsReadSize, kBurstGapMs);
    if (count < 0) {
      WaitForPortToReturn();
      continue;
    }
    if (count > 0) {
      ++readCount_;
      HandleRead(buffer, static_cast<size_t>(count));
    }
  }
}

void CGpsParser::HandleRead(char* buffer, size_t count) {
  buffer[count] = '\0';
  // Searched over every byte read, so that a stray zero byte before the sentence cannot hide it.
  const char* rmc = static_cast<const char*>(memmem(buffer, count, "$GPRMC", 6));
  if (!rmc) return;
  const char* comma = std::strchr(rmc, ',');
  if (!comma) return;
  const char* end;
  float time = static_cast<float>(NmeaStrtod(comma + 1, &end));
  if (time == lastTime_) return;  // the same second again
  HandleBlock(rmc, count - static_cast<size_t>(rmc - buffer));
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
