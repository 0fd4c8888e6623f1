#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kivu {

namespace {

bool IsOwnPrivateFolder(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 077) == 0;
}

}  // namespace

std::string RuntimeFolder() {
  // Only our own private folder: sudo and su may pass on the runtime folder of the user who called
  // them, where another user's lock and socket would be ours to meet (or, for root, to take).
  if (const char* xdg = getenv("XDG_RUNTIME_DIR"); xdg && xdg[0] == '/') {
    struct stat st;
    if (stat(xdg, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 077) == 0) {
      std::string folder = xdg;
      if (folder.back() != '/') folder += '/';
      return folder;
    }
  }
  std::string folder = "/tmp/kivu-" + std::to_string(getuid());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return "";
  // A folder someone else made in our place, or a link, is not ours to use.
  if (!IsOwnPrivateFolder(folder)) return "";
  return folder + "/";
}

InstanceLock::Result InstanceLock::Acquire(const std::string& folder, const std::string& name) {
  fd_.Reset();
  if (folder.empty()) return Result::Failed;
  UniqueFd fd(open((folder + name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!fd) return Result::Failed;
  if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
    return errno == EWOULDBLOCK ? Result::HeldElsewhere : Result::Failed;
  fd_ = std::move(fd);
  return Result::Acquired;
}

}  // namespace kivu
