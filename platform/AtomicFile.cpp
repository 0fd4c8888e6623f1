#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
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

WholeFile ReadWholeFile(const std::string& path, std::size_t maxBytes) noexcept {
  WholeFile result;
  try {
    // O_NONBLOCK: a named pipe in the file's place must not hang the caller; it is refused below.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
      result.error = errno;
      result.status =
          (errno == ENOENT || errno == ENOTDIR) ? WholeFile::Status::Missing : WholeFile::Status::Failed;
      if (result.status == WholeFile::Status::Missing) result.error = 0;
      return result;
    }
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0) {
      result.error = errno;
      return result;
    }
    if (!S_ISREG(st.st_mode)) {
      result.error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
      return result;
    }
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxBytes) {
      result.error = EFBIG;
      return result;
    }
    std::size_t size = static_cast<std::size_t>(st.st_size);
    result.content.resize(size);
    std::size_t got = 0;
    while (got < size) {
      ssize_t n = ::read(fd.Get(), result.content.data() + got, size - got);
      if (n < 0) {
        if (errno == EINTR) continue;
        result.error = errno;
        result.content.clear();
        return result;
      }
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    if (got < size) {
      result.error = EIO;
      result.content.clear();
      return result;
    }
    result.status = WholeFile::Status::Read;
  } catch (const std::bad_alloc&) {
    result = WholeFile();
    result.error = ENOMEM;
  }
  return result;
}

int ReplaceFileAtomically(const std::string& path, std::string_view content) noexcept {
  try {
    return Replace(path, content);
  } catch (const std::bad_alloc&) {
    return ENOMEM;
  }
}

}  // namespace kivu
