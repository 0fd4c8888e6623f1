#include "platform/PseudoTerminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>

#include <cerrno>
#include <cstring>

namespace kivu {

std::optional<PseudoTerminal> PseudoTerminal::Open(std::string* error) {
  auto fail = [&](const char* what) -> std::optional<PseudoTerminal> {
    if (error) *error = std::string(what) + ": " + std::strerror(errno);
    return std::nullopt;
  };
  PseudoTerminal pty;
  pty.master_.Reset(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!pty.master_) return fail("no pseudo-terminal");
  if (grantpt(pty.master_.Get()) != 0 || unlockpt(pty.master_.Get()) != 0)
    return fail("pseudo-terminal not usable");
  char name[128];
  if (ptsname_r(pty.master_.Get(), name, sizeof name) != 0) return fail("pseudo-terminal without a name");
  pty.slavePath_ = name;
  pty.slaveHold_.Reset(open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!pty.slaveHold_) return fail("pseudo-terminal slave will not open");
  // Raw, so that the bytes arrive as they were written (no CR/LF translation, no echo).
  termios tio;
  if (tcgetattr(pty.slaveHold_.Get(), &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(pty.slaveHold_.Get(), TCSANOW, &tio);
  }
  return pty;
}

bool PseudoTerminal::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(master_.Get(), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void PseudoTerminal::CloseMaster() noexcept {
  slaveHold_.Reset();
  master_.Reset();
}

}  // namespace kivu
