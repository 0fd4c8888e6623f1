// What the receiver reads: bytes of NMEA text from somewhere (a serial port, gpsd), however that place
// is found, opened, waited on and given up. The receiver's reader thread owns the reading; any thread
// may wake it and ask the source's name.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

#include "platform/WakeEvent.h"

namespace kivu {

// The largest read the reader makes; the cycle assembler gathers reads into whole cycles.
constexpr size_t kGpsReadSize = 1024;

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // False when the source cannot be waited on (out of descriptors): the receiver cannot start.
  virtual bool CanWait() const noexcept = 0;
  // The caller's thread, before the reader starts: what can be opened at once is opened. False when the
  // source can never deliver (no port exists), with the reasons said on standard error.
  virtual bool Prepare() { return true; }
  // Reader thread: tries to open the source, at the reader's start (first) and then once a retry
  // interval while it is not open, saying on standard error what the user needs to hear.
  virtual void Open(bool first) = 0;
  virtual bool IsOpen() const noexcept = 0;
  // Waits for input, a hang-up, the wake or the time-out (ms, -1 for none); with nothing open only the
  // wake and the time-out end it.
  virtual InputWait Wait(int timeoutMs) noexcept = 0;
  // Up to capacity bytes of NMEA text: the count, 0 when nothing came after all, -1 when the source
  // went away.
  virtual ssize_t Read(char* buffer, size_t capacity) = 0;
  // Reader thread: the source went away (Read gave -1): it lets go, says so, and its later Opens look for
  // it again.
  virtual void WentAway() = 0;
  virtual void Close() noexcept = 0;
  // Any thread: ends the wait in progress and every later one.
  virtual void Wake() noexcept = 0;
  // Any thread: what the source is while it delivers ("/dev/ttyACM0", "gpsd localhost:2947"), else "".
  virtual std::string Name() const = 0;
  // Any thread: the source is connected but has not begun to deliver in the time it is given (a gpsd
  // that accepted the connection and does not answer); its Name then names it all the same.
  virtual bool Silent() const { return false; }
};

}  // namespace kivu
