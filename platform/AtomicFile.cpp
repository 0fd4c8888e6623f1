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

// The file a save of path replaces: path itself, or where its chain of links ends. A save goes through a
// link only where every link of the chain and the file at its end belong to the user Kivu runs as (a
// settings file kept with the user's dotfiles). Anyone else's link or file is refused: a link that
// someone else could make or aim would otherwise have a privileged Kivu replace any file of the system.
Result FollowOwnLinks(const std::string& path, std::string& target) {
  const uid_t self = ::geteuid();
  std::string current = path;
  for (int hop = 0; hop <= 40; ++hop) {  // as many links as the kernel follows
    struct stat st;
    if (::lstat(current.c_str(), &st) != 0) {
      // A missing file is created where path names it; a link to nothing is not followed.
      if (errno == ENOENT && hop == 0) break;
      return Result::Failure(errno);
    }
    if (!S_ISLNK(st.st_mode)) {
      if (hop > 0 && st.st_uid != self)
        return Result::Failure(EPERM, "it is a link to " + current +
                                          ", which belongs to another user; both are left as they are");
      break;
    }
    if (st.st_uid != self)
      return Result::Failure(
          EPERM, "the link " + current + " belongs to another user; it and its target are left as they are");
    char next[PATH_MAX];
    const ssize_t length = ::readlink(current.c_str(), next, sizeof next);
    if (length < 0) return Result::Failure(errno);
    if (static_cast<std::size_t>(length) >= sizeof next) return Result::Failure(ENAMETOOLONG);
    const std::string_view link(next, static_cast<std::size_t>(length));
    current = link.front() == '/' ? std::string(link) : FolderOf(current) + "/" + std::string(link);
    if (hop == 40) return Result::Failure(ELOOP);
  }
  target = current;
  return {};
}

}  // namespace

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_) {
    fd_.Reset();
    ::unlink(temp_.c_str());
  }
}

Result AtomicFileWriter::Prepare(const std::string& path) {
  if (Result followed = FollowOwnLinks(path, target_); !followed) return followed;
  struct stat st;
  bool exists = false;
  if (::stat(target_.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return Result::Failure(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    // An in-place rewrite could not write a file we may not write; neither may its replacement.
    if (::access(target_.c_str(), W_OK) != 0) return Result::Failure(errno);
    exists = true;
  } else if (errno != ENOENT) {
    return Result::Failure(errno);
  }

  RemoveLeftovers(target_);
  int error = 0;
  fd_ = CreateSibling(target_, temp_, error);
  if (!fd_) return Result::Failure(error);
  if (exists) {
    if (::fchmod(fd_.Get(), st.st_mode & 07777) != 0) return Fail(errno);
    // Only a privileged writer can hand the file back to its owner; anyone else already is the owner
    // or has just been allowed to write it, so a refusal here changes nothing that matters.
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
      [[maybe_unused]] int ignored = ::fchown(fd_.Get(), st.st_uid, st.st_gid);
    }
  }
  return {};
}

Result AtomicFileWriter::Fail(int error) {
  fd_.Reset();
  ::unlink(temp_.c_str());
  return Result::Failure(error);
}

Result AtomicFileWriter::Open(const std::string& path) noexcept {
  try {
    return Prepare(path);
  } catch (const std::bad_alloc&) {
    return Fail(ENOMEM);
  }
}

Result AtomicFileWriter::Write(std::string_view data) noexcept {
  if (!fd_) return Result::Failure(EBADF);
  if (int e = WriteAll(fd_.Get(), data)) return Fail(e);
  return {};
}

Result AtomicFileWriter::Commit() noexcept {
  if (!fd_) return Result::Failure(EBADF);
  if (::fsync(fd_.Get()) != 0) return Fail(errno);
  if (::close(fd_.Release()) != 0) return Fail(errno);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return Fail(errno);

  // Make the rename itself durable. Some file systems cannot sync a folder; the file is in place anyway.
  UniqueFd folder(::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder) ::fsync(folder.Get());
  return {};
}

Result ReplaceFileAtomically(const std::string& path, std::string_view content) noexcept {
  AtomicFileWriter writer;
  if (Result opened = writer.Open(path); !opened) return opened;
  if (Result written = writer.Write(content); !written) return written;
  return writer.Commit();
}

}  // namespace kivu
