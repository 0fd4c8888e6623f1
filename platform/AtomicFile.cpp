#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <new>

#include "platform/UniqueFd.h"

namespace kivu {

namespace {

// Writes all of data, resuming after interrupted or partial writes.
int WriteAll(int fd, std::string_view data) noexcept {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The process that wrote a temporary file "<target>.new-PID-N", or 0 when name is not one of target's.
pid_t WriterOf(std::string_view name, std::string_view prefix) {
  if (name.substr(0, prefix.size()) != prefix) return 0;
  name.remove_prefix(prefix.size());
  pid_t pid = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
  if (error != std::errc() || pid <= 0 || end == name.data() + name.size() || *end != '-') return 0;
  const std::string_view counter(end + 1, static_cast<std::size_t>(name.data() + name.size() - end - 1));
  if (counter.empty() || counter.find_first_not_of("0123456789") != std::string_view::npos) return 0;
  return pid;
}

// Removes what an earlier save that was killed between creating its temporary file and renaming it
// left behind. Only files of processes that are gone: a living one (another Kivu saving this very
// file) still needs its own.
void RemoveLeftovers(const std::string& target) {
  const std::size_t slash = target.rfind('/');
  const std::string prefix = target.substr(slash == std::string::npos ? 0 : slash + 1) + ".new-";
  UniqueFd folderFd(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folderFd) return;
  DIR* folder = ::fdopendir(folderFd.Get());
  if (!folder) return;
  folderFd.Release();  // the folder stream owns it now
  while (const dirent* entry = ::readdir(folder)) {
    const pid_t writer = WriterOf(entry->d_name, prefix);
    if (writer != 0 && writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH)
      ::unlinkat(::dirfd(folder), entry->d_name, 0);
  }
  ::closedir(folder);
}

// Creates a fresh file next to target, named after it, with mode 0666 less the umask (O_EXCL, so a
// leftover of an earlier crash is never reused).
UniqueFd CreateSibling(const std::string& target, std::string& name, int& error) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target + ".new-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    UniqueFd fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd) return fd;
    if (errno != EEXIST) break;
  }
  error = errno;
  name.clear();
  return UniqueFd();
}

int Replace(const std::string& path, std::string_view content) {
  std::string target = path;
  struct stat st;
  bool exists = false;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return errno;
    target = resolved;
  }
  if (::stat(target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    // An in-place rewrite could not write a file we may not write; neither may its replacement.
    if (::access(target.c_str(), W_OK) != 0) return errno;
    exists = true;
  } else if (errno != ENOENT) {
    return errno;
  }

  RemoveLeftovers(target);
  std::string temp;
  int error = 0;
  UniqueFd fd = CreateSibling(target, temp, error);
  if (!fd) return error;

  auto fail = [&temp](int code) {
    ::unlink(temp.c_str());
    return code;
  };
  if (exists) {
    if (::fchmod(fd.Get(), st.st_mode & 07777) != 0) return fail(errno);
    // Only a privileged writer can hand the file back to its owner; anyone else already is the owner
    // or has just been allowed to write it, so a refusal here changes nothing that matters.
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
      [[maybe_unused]] int ignored = ::fchown(fd.Get(), st.st_uid, st.st_gid);
    }
  }
  if (int e = WriteAll(fd.Get(), content)) return fail(e);
  if (::fsync(fd.Get()) != 0) return fail(errno);
  if (::close(fd.Release()) != 0) return fail(errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);

  // Make the rename itself durable. Some file systems cannot sync a folder; the file is in place anyway.
  UniqueFd folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder) ::fsync(folder.Get());
  return 0;
}

}  // namespace

Result ReplaceFileAtomically(const std::string& path, std::string_view content) noexcept {
  int error = ENOMEM;
  try {
    error = Replace(path, content);
  } catch (const std::bad_alloc&) {
  }
  return error == 0 ? Result() : Result::Failure(error);
}

}  // namespace kivu
