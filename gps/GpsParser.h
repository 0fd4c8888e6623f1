// The GPS receiver: finds and opens the serial port, runs the reader thread, and hands each usable
// fix to its owner (the dashboard view).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "gps/GpsFix.h"
#include "gps/GpsFixOwner.h"
#include "gps/GpsMessageLog.h"
#include "platform/Clock.h"
#include "platform/UniqueFd.h"
#include "platform/WakeEvent.h"

namespace kivu {

// The largest read the reader makes, and so the largest block it handles.
constexpr size_t kGpsReadSize = 1024;

class CGpsParser {
 public:
  CGpsParser();
  // Stops the receiver: refuses further fixes, ends and joins the reader thread, closes the port and
  // the message log.
  ~CGpsParser();
  CGpsParser(const CGpsParser&) = delete;
  CGpsParser& operator=(const CGpsParser&) = delete;

  // Lists the ports, opens the first that opens and starts the reader thread. False when no port
  // exists or the thread cannot be started. When every listed port fails to open it still returns
  // true; the reader then waits, trying them again once a second.
  bool Start(GpsFixOwner* owner);

  // Fills the port-name list with every "PREFIXn:" (n = 1..16) that exists, free or held elsewhere.
  void EnumPorts(const std::string& prefix);

  // One read of the port, as the reader thread handles it: buffer holds count bytes (at most
  // kGpsReadSize) and has room for one more. Replays feed their reads through here too.
  void HandleRead(char* buffer, size_t count);

  // One block, from its "$GPRMC" to the end of the bytes read: log it, parse it, hand it over.
  void HandleBlock(const char* block, size_t count);

  // Remembers the owner that fixes go to (Start does this too).
  void SetOwner(GpsFixOwner* owner) { owner_ = owner; }

  // User-interface thread: switches the GPS message log. On, it opens the log of the local day in
  // recordFolder ("gpsYYYYMMDD.txt", appending) unless a log is open already (that one stays in use,
  // even past midnight); "Open file failed!" goes to the message box when it cannot. Off, it closes
  // the log. The flag is kept whatever happens.
  void SetRecordMessages(const std::string& recordFolder, int32_t record);
  // How the receiver shows a message box (the view's window), and the clock that dates the log.
  using MessageBoxFunction = std::function<void(const std::string& text)>;
  void SetMessageBox(MessageBoxFunction show) { messageBox_ = std::move(show); }
  void SetClock(const Clock& clock) { clock_ = &clock; }

  const std::vector<std::string>& PortNames() const { return portNames_; }
  // The device path in use, or "" while no port is open.
  std::string PortPath() const;
  const GpsFix& Fix() const { return fix_; }
  GpsMessageLog& MessageLog() { return messageLog_; }
  int32_t RecordMessages() const { return recordMessages_; }
  // Reads the reader has taken from the port so far, counted before each is handled (for diagnostics
  // and tests).
  uint64_t ReadCount() const { return readCount_.load(); }

 private:
  void ReaderThread();
  bool OpenFirstPort(bool report);
  void WaitForPortToReturn();

  GpsFixOwner* owner_ = nullptr;
  GpsFix fix_{};
  std::thread readerThread_;
  uint32_t readerThreadId_ = 0;
  UniqueFd port_;
  std::vector<std::string> portNames_;
  GpsMessageLog messageLog_;
  int32_t recordMessages_ = 0;
  MessageBoxFunction messageBox_;
  const Clock* clock_ = &TheSystemClock();

  // Reader-thread state.
  std::string portPath_;   // the device path of the open port, kept while it is away
  float lastTime_ = 0.0f;  // RMC time of the last handled read
  WakeEvent wake_;         // signalled to end the reader's waits
  std::atomic<bool> stopping_{false};
  std::atomic<uint64_t> readCount_{0};
};

}  // namespace kivu
