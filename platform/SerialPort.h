// Serial ports on Linux, as Kivu's receiver uses them: the table of device paths where receivers are
// looked for, exclusive opening in raw mode, and waits that a wake-up event can end.
#pragma once

#include <sys/types.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/Result.h"
#include "platform/UniqueFd.h"
#include "platform/WakeEvent.h"

namespace kivu {

// The most ports of a table the receiver tries.
constexpr int kSerialPortCount = 16;

// The built-in table: USB CDC receivers first, then USB serial adapters, Bluetooth and on-board ports.
std::vector<std::string> DefaultSerialPortPaths();
// The table of this machine's environment: KIVU_PORTS (paths separated by ':'), else the default.
std::vector<std::string> SerialPortPaths();

// A serial port that exists now, with what it is where its name in /dev/serial/by-id says so
// ("u-blox GNSS receiver"), else "".
struct SerialPortInfo {
  std::string path;
  std::string description;
};
// The ports of the environment's table that exist, then every other port named in byIdFolder, each once,
// by its device path.
std::vector<SerialPortInfo> ListSerialPorts(const std::string& byIdFolder = "/dev/serial/by-id");

// Opens a port for reading and writing, exclusively (flock and TIOCEXCL), without blocking and without
// becoming its controlling terminal, and puts it in raw mode: no echo, no canonical lines, no CR/LF
// translation. The speed, data bits, parity and stop bits are left as they are. A file or device that
// is not a terminal (a regular file, /dev/null) is refused with ENOTTY: it would read as a receiver
// that hangs up at once, over and over. fd holds the port on success.
Result OpenSerialPort(const std::string& path, UniqueFd& fd);

// Whether path could be opened as a port now, with the failure OpenSerialPort would give. It changes
// nothing on the port (no exclusive mode, no line settings), since a program may be using it.
Result ProbeSerialPort(const std::string& path);

// True for the failures that mean "the port exists but is held by another program or forbidden to us",
// the access-denied case of the receiver's enumeration.
bool IsHeldOrForbidden(const Result& result) noexcept;
// Whether the failure means the port is held by another program.
bool IsHeldElsewhere(const Result& result) noexcept;

// Who may open the port at path: the name of its group when its group may read and write it ("dialout"
// on Debian, "uucp" elsewhere), "" when only its owner may. Where the port cannot be looked at, the
// group a port usually has: "dialout".
std::string SerialPortGroup(const std::string& path);

// One serial port as a reader thread uses it: it owns the descriptor and the wake event. The reader
// opens, waits, reads, purges and closes; any thread may ask for the path and wake the reader.
class SerialPort {
 public:
  SerialPort() = default;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // False when the wake event could not be made (out of descriptors): the port cannot be waited on.
  bool CanWait() const noexcept { return wake_.IsValid(); }

  // Opens path as OpenSerialPort does and discards what was pending, closing a port open before.
  Result Open(const std::string& path);
  void Close();
  // Reader thread: whether a port is open.
  bool IsOpen() const noexcept { return fd_.IsValid(); }
  // Any thread: the device path of the open port, "" while none is open.
  std::string Path() const;

  // Waits until the port has input or hangs up, the port is woken, or the time-out (ms, -1 for none)
  // passes. With no port open only the wake and the time-out end the wait.
  InputWait Wait(int timeoutMs) noexcept;
  // One read of what is waiting, up to capacity bytes: the count, 0 when nothing was there after
  // all, or -1 when the port has hung up or failed (end of file, EIO, ENXIO, ENODEV ...), with errno
  // set (0 for end of file).
  ssize_t Read(char* buffer, size_t capacity) noexcept;

  // Any thread: ends the wait in progress and every later one.
  void Wake() noexcept { wake_.Signal(); }

 private:
  UniqueFd fd_;
  WakeEvent wake_;
  mutable std::mutex pathMutex_;
  std::string path_;
};

}  // namespace kivu
