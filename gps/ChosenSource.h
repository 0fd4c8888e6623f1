// The source a GpsSource names, as the receiver reads it: the serial ports, gpsd, or the ports with gpsd
// to fall back on when none of them opens.
#pragma once

#include <string>

#include "gps/ByteSource.h"
#include "gps/GpsSource.h"
#include "gps/GpsdSource.h"
#include "gps/SerialSource.h"
#include "platform/Clock.h"

namespace kivu {

class ChosenSource final : public ByteSource {
 public:
  // clock: the steady time on which gpsd's repeated reports are counted.
  ChosenSource(const GpsSource& source, const Clock& clock);

  bool CanWait() const noexcept override { return ports_.CanWait() && gpsd_.CanWait(); }
  // The ports (not for gpsd alone, which the reader connects to: a gpsd far away may keep the reader
  // waiting, never the caller): opens the first that opens, else, choosing automatically, a gpsd that
  // answers. False when no port exists and no gpsd took their place.
  bool Prepare() override;
  // The first try of gpsd alone; then, once a second: the ports, and choosing automatically the gpsd.
  void Open(bool first) override;
  bool IsOpen() const noexcept override { return ports_.IsOpen() || gpsd_.IsOpen(); }
  InputWait Wait(int timeoutMs) noexcept override { return Current().Wait(timeoutMs); }
  ssize_t Read(char* buffer, size_t capacity) override { return Current().Read(buffer, capacity); }
  void WentAway() override { Current().WentAway(); }
  void Close() noexcept override;
  void Wake() noexcept override;
  std::string Name() const override;
  bool Silent() const override { return gpsd_.Silent(); }

 private:
  // The source open now; the ports (and their wake alone) while none is.
  ByteSource& Current() noexcept {
    if (gpsd_.IsOpen()) return gpsd_;
    return ports_;
  }

  const GpsSourceKind kind_;
  SerialPortSource ports_;
  GpsdStreamSource gpsd_;
};

}  // namespace kivu
