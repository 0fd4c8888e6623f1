// The one-copy rule's lock: a lock file in the user's runtime folder, held with flock for the life of
// the process. The kernel lets it go when the process ends, however it ends.
#pragma once

#include <string>

#include "platform/UniqueFd.h"

namespace kivu {

// The user's runtime folder, ending with '/': $XDG_RUNTIME_DIR when it names a folder of this user's
// that no one else may enter, else
// /tmp/kivu-UID/, made with mode 0700. "" when neither can be had safely (a folder of that name that
// belongs to another user, or is a link).
std::string RuntimeFolder();

class InstanceLock {
 public:
  enum class Result { Acquired, HeldElsewhere, Failed };

  // Takes the lock file `name` in folder. HeldElsewhere: another process holds it.
  Result Acquire(const std::string& folder, const std::string& name = "kivu.lock");
  bool IsHeld() const noexcept { return fd_.IsValid(); }

 private:
  UniqueFd fd_;
};

}  // namespace kivu
