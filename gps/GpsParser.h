// The GPS receiver: reads the source it is given (the serial ports, a gpsd) on its reader thread,
// gathers what the source delivers into the receiver's cycles, logs and parses each cycle's block, and
// hands each usable fix to its owner (the dashboard view).
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "gps/ByteSource.h"
#include "gps/CycleAssembler.h"
#include "gps/GpsFix.h"
#include "gps/GpsFixOwner.h"
#include "gps/GpsMessageLog.h"
#include "gps/GpsReceiver.h"
#include "gps/GpsSource.h"
#include "platform/Clock.h"

namespace kivu {

class CGpsParser {
 public:
  CGpsParser();
  // Stops the receiver: refuses further fixes, ends and joins the reader thread, closes the source and
  // the message log.
  ~CGpsParser();
  CGpsParser(const CGpsParser&) = delete;
  CGpsParser& operator=(const CGpsParser&) = delete;

  // Where the messages come from (before Start); the serial ports of the environment's table by
  // default.
  void SetSource(GpsSource source) { source_ = std::move(source); }
  const GpsSource& Source() const { return source_; }

  // Serial ports: lists the ports, opens the first that opens and starts the reader thread. False when
  // no port exists (and, choosing automatically, no gpsd answers either) or the thread cannot be
  // started. When every listed port fails to open it still returns true; the reader then tries them
  // (and the gpsd) again once a second. A gpsd source always starts at once; the reader connects, and
  // tries again once a second for as long as the gpsd does not answer.
  bool Start(GpsFixOwner* owner);

  // Bytes as the port delivered them; every cycle they complete is handled. Replays and tests feed
  // their bytes through here too.
  void HandleBytes(const char* data, size_t count);
  // The line went quiet (live), or the capture ended (replays): the cycle so far is whole.
  void HandleQuietLine() { assembler_.EndCycle(); }
  void HandleEndOfInput() { assembler_.EndOfInput(); }
  // Replays: lines that start with '#' are a capture's notes, not the receiver's.
  void SetSkipCommentLines(bool skip) { assembler_.SetSkipCommentLines(skip); }
  // Replays: every cycle's UTC time (milliseconds of the day, -1 for none) as it ends, before the
  // cycle is handled, so that a replay's clock follows the receiver also where it has no fix.
  void SetCycleObserver(std::function<void(int timeOfDay)> observe) { cycleObserver_ = std::move(observe); }

  // One whole cycle, its RMC first: unless it repeats the last cycle's RMC time, handle it as a block.
  void HandleCycle(const char* block, size_t count);

  // One block, from its RMC to the end of the cycle: log it, parse it, hand it over.
  void HandleBlock(const char* block, size_t count);

  // Remembers the owner that fixes go to (Start does this too).
  void SetOwner(GpsFixOwner* owner) { owner_ = owner; }

  // User-interface thread: switches the GPS message log. On, it opens the log of the local day in
  // recordFolder ("gpsYYYYMMDD.txt", appending) unless a log is open already (that one stays in use,
  // even past midnight); "Open file failed!" goes to the message box when it cannot. Off, it closes
  // the log. The flag is kept whatever happens.
  void SetRecordMessages(const std::string& recordFolder, bool record);
  // How the receiver shows a message box (the view's window), and the clock that dates the log.
  using MessageBoxFunction = std::function<void(const std::string& text)>;
  void SetMessageBox(MessageBoxFunction show) { messageBox_ = std::move(show); }
  // Before Start; the clock's steady time also paces the lines of a gpsd's repeated reports.
  void SetClock(const Clock& clock) { clock_ = &clock; }

  // The device path in use, "gpsd HOST:PORT" while a gpsd sends its stream (from its answer to the
  // request on) or is silent past its time, or "" while no source is open. Any thread.
  std::string PortPath() const;
  // Any thread: whether the receiver has a source to read, a port that is open now or, for a receiver
  // that was never started, whatever its owner feeds it (a replay).
  bool SourceOpen() const { return !started_.load() || !PortPath().empty(); }
  // Any thread: the source is named but silent, a gpsd that accepted the connection and has not
  // answered the request in its time.
  bool SourceSilent() const { return reader_.SourceSilent(); }
  // Any thread: whole sentences with a good checksum received so far.
  uint64_t SentenceCount() const { return sentenceCount_.load(std::memory_order_relaxed); }
  const GpsFix& Fix() const { return fix_; }
  GpsMessageLog& MessageLog() { return messageLog_; }
  bool RecordMessages() const { return recordMessages_; }
  // Reads the reader has taken from the port so far, counted before each is handled (for tests).
  uint64_t ReadCount() const { return reader_.ReadCount(); }
  // For tests: waits until done() holds, looking again whenever the reader has taken a read or its
  // source has opened or gone away. False when the timeout passed first.
  bool WaitForProgress(const std::function<bool()>& done, std::chrono::milliseconds timeout) const {
    return reader_.WaitForProgress(done, timeout);
  }

 private:
  GpsFixOwner* owner_ = nullptr;
  GpsFix fix_{};
  GpsSource source_;
  GpsMessageLog messageLog_;
  bool recordMessages_ = false;
  MessageBoxFunction messageBox_;
  const Clock* clock_ = &TheSystemClock();

  // Reader-thread state.
  CycleAssembler assembler_;
  std::function<void(int timeOfDay)> cycleObserver_;
  int lastTime_ = -1;  // RMC time of the last handled cycle (ms of the day), -1 before the first
  std::atomic<bool> stopping_{false};
  std::atomic<bool> started_{false};
  std::atomic<uint64_t> sentenceCount_{0};
  GpsReceiver reader_;  // last: its thread ends before the rest goes
};

}  // namespace kivu
