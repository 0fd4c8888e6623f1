// A pseudo-terminal pair: what is written to the master side arrives at the slave side as if a
// device sent it. Kivu's replays use it so that a recorded drive takes the real serial path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/UniqueFd.h"

namespace kivu {

class PseudoTerminal {
 public:
  // A new pair with the slave side in raw mode; nothing when the system has none to give.
  static std::optional<PseudoTerminal> Open(std::string* error = nullptr);

  int MasterFd() const noexcept { return master_.Get(); }
  const std::string& SlavePath() const noexcept { return slavePath_; }
  // Writes all of the bytes to the master side; false when the other side is gone.
  bool Write(std::string_view bytes);
  // Closes the master side: the slave side hangs up, as a device that was pulled out.
  void CloseMaster() noexcept;

 private:
  UniqueFd master_;
  // Held open so that the slave does not hang up before a reader opens it.
  UniqueFd slaveHold_;
  std::string slavePath_;
};

}  // namespace kivu
