#include "platform/Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <system_error>
#include <thread>

extern char** environ;

namespace kivu {

namespace {

bool IsExecutableFile(const std::string& path) noexcept {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return ::access(path.c_str(), X_OK) == 0;
}

// path as it stands when absolute, else from the current folder; "" when that folder is unknown.
std::string AbsolutePath(const std::string& path) {
  if (path.front() == '/') return path;
  char folder[4096];
  if (::getcwd(folder, sizeof folder) == nullptr) return {};
  return std::string(folder) + "/" + path;
}

// Owns the spawn attributes and file actions for the length of one start.
class SpawnSetup {
 public:
  SpawnSetup() {
    ok_ = ::posix_spawnattr_init(&attr_) == 0;
    if (!ok_) return;
    actionsReady_ = ::posix_spawn_file_actions_init(&actions_) == 0;
    ok_ = actionsReady_;
  }
  ~SpawnSetup() {
    if (actionsReady_) ::posix_spawn_file_actions_destroy(&actions_);
    ::posix_spawnattr_destroy(&attr_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // A session of its own keeps the navigator alive when Kivu's terminal goes away; clean signal state,
  // because the program should not inherit what Kivu blocks or ignores. Closing every descriptor above
  // standard error keeps the serial port and the one-copy lock from outliving Kivu in the navigator.
  bool Prepare() {
    if (!ok_) return false;
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    return ::posix_spawnattr_setflags(
               &attr_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0 &&
           ::posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
           ::posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
           ::posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
  }

  const posix_spawnattr_t* Attributes() const { return &attr_; }
  const posix_spawn_file_actions_t* Actions() const { return &actions_; }

 private:
  posix_spawnattr_t attr_;
  posix_spawn_file_actions_t actions_;
  bool ok_ = false;
  bool actionsReady_ = false;
};

// Waits for the program's end in the background, so that it leaves no zombie behind.
// Without a thread to spare the program still runs; it then stays a zombie from its end until Kivu's.
void ReapWhenDone(pid_t pid) {
  try {
    std::thread([pid] {
      while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
  }
}

}  // namespace

bool LaunchProgram(const std::string& path) {
  if (path.empty()) return false;
  std::string program = AbsolutePath(path);
  if (program.empty() || !IsExecutableFile(program)) return false;
  SpawnSetup setup;
  if (!setup.Prepare()) return false;
  char* argv[] = {program.data(), nullptr};
  pid_t pid = -1;
  if (::posix_spawn(&pid, program.c_str(), setup.Actions(), setup.Attributes(), argv, environ) != 0)
    return false;
  ReapWhenDone(pid);
  return true;
}

std::string FindProgramOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (name.empty() || name.find('/') != std::string::npos || !path) return {};
  std::string_view folders = path;
  while (!folders.empty()) {
    std::size_t colon = folders.find(':');
    std::string_view folder = folders.substr(0, colon);
    folders.remove_prefix(colon == std::string_view::npos ? folders.size() : colon + 1);
    if (folder.empty() || folder.front() != '/') continue;  // only absolute folders give absolute paths
    std::string candidate = std::string(folder) + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
  }
  return {};
}

}  // namespace kivu
