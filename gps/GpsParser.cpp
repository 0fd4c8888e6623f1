#include "gps/GpsParser.h"

#include <cstdio>
#include <cstring>
#include <system_error>

#include "gps/NmeaParser.h"

namespace kivu {

namespace {

// How often the reader looks for a port that is away or was never free.
constexpr int kRetryMs = 1000;

}  // namespace

CGpsParser::CGpsParser()
    : assembler_([this](const char* block, size_t count) { HandleCycle(block, count); }) {
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
  if (readerThread_.joinable()) readerThread_.join();
  port_.Close();
  messageLog_.Close();
}

void CGpsParser::EnumPorts(const std::string& prefix) {
  portNames_.clear();
  missingPorts_.clear();
  for (int n = 1; n <= kSerialPortCount; ++n) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%d:", prefix.c_str(), n);
    std::string path = SerialDevicePath(name);
    if (path.empty()) continue;
    SerialOpenResult probe = OpenSerialPort(path);
    if (probe.fd || IsHeldOrForbidden(probe.error)) {
      portNames_.push_back(name);
    } else {
      missingPorts_.emplace_back(path, probe.error);
    }
  }
}

bool CGpsParser::OpenFirstPort(bool report) {
  for (const std::string& name : portNames_) {
    std::string path = SerialDevicePath(name);
    int error = port_.Open(path);
    if (error == 0) {
      std::fprintf(stderr, "kivu: reading GPS messages from %s\n", path.c_str());
      return true;
    }
    if (report) std::fprintf(stderr, "%s\n", DescribeOpenFailure(path, error).c_str());
  }
  return false;
}

bool CGpsParser::Start(GpsFixOwner* owner) {
  owner_ = owner;
  started_ = true;
  EnumPorts("com");
  if (portNames_.empty()) {
    for (const auto& [path, error] : missingPorts_)
      std::fprintf(stderr, "%s\n", DescribeOpenFailure(path, error).c_str());
    return false;
  }
  if (!OpenFirstPort(true))
    std::fprintf(stderr, "kivu: no GPS port could be opened; trying again every second\n");
  // The receiver never writes and never changes the line settings; queue sizes and time-outs have
  // no counterpart here: the cycle assembler and its quiet gap do the time-outs' work.
  if (!port_.CanWait()) return false;
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
  while (!stopping_) {
    if (port_.Wait(kRetryMs) == SerialWait::Woken) return;
    if (port_.Open(path) == 0) {
      std::fprintf(stderr, "kivu: GPS port %s is back\n", path.c_str());
      return;
    }
  }
}

void CGpsParser::ReaderThread() {
  char buffer[kGpsReadSize];
  while (!stopping_) {
    if (!port_.IsOpen()) {
      // No listed port was free: try them again once a second.
      if (port_.Wait(kRetryMs) == SerialWait::Woken) return;
      OpenFirstPort(false);
      continue;
    }
    // While a cycle is gathering, a quiet line ends it; otherwise the wait has no end of its own.
    SerialWait wait = port_.Wait(assembler_.HoldsSentences() ? kQuietGapMs : -1);
    if (wait == SerialWait::Woken) return;
    if (wait == SerialWait::TimedOut) {
      assembler_.EndCycle();
      continue;
    }
    // A zero input count with the port readable is how an end of file shows, so the read decides.
    ssize_t count = wait == SerialWait::Readable ? port_.Read(buffer, sizeof buffer) : -1;
    if (count < 0) {
      WaitForPortToReturn(port_.Path());
      continue;
    }
    if (count > 0) {
      ++readCount_;
      HandleBytes(buffer, static_cast<size_t>(count));
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
