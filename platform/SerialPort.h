// Serial ports on Linux, as Kivu's receiver uses them: a table of device paths that stands in for
// "com1:" .. "com16:", exclusive opening in raw mode, and waits that a wake-up event can end.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/UniqueFd.h"
#include "platform/WakeEvent.h"

namespace kivu {

// Number of "comN:" names the receiver tries.
constexpr int kSerialPortCount = 16;

// The built-in table: USB CDC receivers first, then USB serial adapters, Bluetooth and on-board ports.
std::vector<std::string> DefaultSerialPortPaths();
// Replaces the table for this process (--port PATH, repeatable). An empty list restores the default.
void SetSerialPortPaths(std::vector<std::string> paths);
// The table in force: the one set above, else KIVU_PORTS (paths separated by ':'), else the default.
std::vector<std::string> SerialPortPaths();
// The device path behind a name of the form PREFIX + N + ":" ("com3:" is entry 3); "" when the name
// has no such form or N is outside the table.
std::string SerialDevicePath(const std::string& name);

struct SerialOpenResult {
  UniqueFd fd;    // valid on success
  int error = 0;  // errno of the failure
};

// Opens a port for reading and writing, exclusively (flock and TIOCEXCL), without blocking and without
// becoming its controlling terminal, and puts it in raw mode: no echo, no canonical lines, no CR/LF
// translation. The speed, data bits, parity and stop bits are left as they are.
SerialOpenResult OpenSerialPort(const std::string& path);

// True for the errors that mean "the port exists but is held by another program or forbidden to us",
// the access-denied case of the receiver's enumeration.
bool IsHeldOrForbidden(int error) noexcept;

// One line for the user about a port that would not open, with a hint where there is one.
std::string DescribeOpenFailure(const std::string& path, int error);

// Discards pending input and output.
void PurgeSerialPort(int fd) noexcept;

enum class SerialWait { Readable, Woken, HungUp, TimedOut };

// Waits until the port has input, hangs up, the wake event is signalled or the time-out (ms, -1 for
// none) passes. With fd < 0 only the wake event and the time-out end the wait.
SerialWait WaitForSerialInput(int fd, const WakeEvent& wake, int timeoutMs) noexcept;

// Bytes waiting in the port's input queue (0 when unknown).
int SerialInputCount(int fd) noexcept;

// Reads what is there, then keeps reading while more arrives within gapMs, up to capacity bytes.
// Returns the count read (0 when nothing was there after all), or -1 when the port has hung up or
// failed (end of file, EIO, ENXIO, ENODEV ...), with errno set (0 for end of file).
ssize_t ReadSerialBurst(int fd, char* buffer, size_t capacity, int gapMs) noexcept;

}  // namespace kivu
