#include "platform/AppendFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kivu {

namespace {

void ReportNotRegular(const std::string& path, const char* file) {
  std::fprintf(stderr, "kivu: the %s %s is not a regular file; it is not written\n", file, path.c_str());
}

}  // namespace

bool AppendFile::Open(const std::string& path, Names names, Sharing sharing) {
  // O_NONBLOCK: a named pipe with no reader fails at once instead of waiting for one (the caller is the
  // window's thread), and one with a reader is refused below. O_NOCTTY: a terminal never becomes ours.
  UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644));
  if (!fd) {
    if (errno == ENXIO || errno == EISDIR) ReportNotRegular(path, names.file);
    return false;
  }
  struct stat st {};
  if (fstat(fd.Get(), &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) {
    ReportNotRegular(path, names.file);
    return false;
  }
  if (sharing == Sharing::Exclusive && flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 && errno != ENOLCK &&
      errno != EOPNOTSUPP && errno != ENOSYS)
    return false;
  fd_ = std::move(fd);
  path_ = path;
  names_ = names;
  reported_.reset();
  resumeOwed_ = false;
  return true;
}

bool AppendFile::Append(const char* record, size_t count) noexcept {
  return Write(record, count, false);
}

bool AppendFile::AppendLines(const char* lines, size_t count) noexcept {
  return Write(lines, count, true);
}

bool AppendFile::Write(const char* data, size_t count, bool keepWholeLines) noexcept {
  if (!fd_) return false;
  size_t done = 0;
  while (done < count) {
    const ssize_t n = write(fd_.Get(), data + done, count - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    const int error = n < 0 ? errno : 0;
    size_t whole = 0;
    if (keepWholeLines) {
      whole = done;
      while (whole > 0 && data[whole - 1] != '\n')
        --whole;
    }
    if (done > whole) CutBack(done - whole);
    Report(error, false);
    return false;
  }
  if (resumeOwed_) {
    resumeOwed_ = false;
    std::fprintf(stderr, "kivu: writing the %s %s goes on\n", names_.file, path_.c_str());
  }
  return true;
}

void AppendFile::CutBack(size_t torn) noexcept {
  // No size is looked up before each write: the file is only appended to, so a write that falls short
  // began `torn` bytes before the file's end as it is now.
  struct stat st {};
  if (fstat(fd_.Get(), &st) != 0) return Report(errno, true);
  if (static_cast<size_t>(st.st_size) < torn) return Report(EIO, true);  // cut short by someone else
  if (ftruncate(fd_.Get(), st.st_size - static_cast<off_t>(torn)) != 0) Report(errno, true);
}

void AppendFile::Report(int error, bool cuttingBack) noexcept {
  const size_t cause = std::min<size_t>(static_cast<size_t>(error), 255) + (cuttingBack ? 256 : 0);
  if (reported_.test(cause)) return;
  reported_.set(cause);
  resumeOwed_ = true;
  const char* reason = error ? std::strerror(error) : "nothing written";
  if (cuttingBack)
    std::fprintf(stderr, "kivu: a part record at the end of the %s %s cannot be taken back (%s)\n",
                 names_.file, path_.c_str(), reason);
  else
    std::fprintf(stderr,
                 "kivu: writing the %s %s failed (%s); %s that cannot be written whole are left out\n",
                 names_.file, path_.c_str(), reason, names_.records);
}

}  // namespace kivu
