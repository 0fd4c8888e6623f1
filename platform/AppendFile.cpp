#include "platform/AppendFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/Diagnostics.h"

namespace kivu {

namespace {

Result NotRegular(const std::string& path, const char* file, int error, const char* what) {
  ReportWarning(std::string("the ") + file + " " + path + " is " + what + "; it is not written");
  errno = error;
  return Result::Failure(error);
}

}  // namespace

Result AppendFile::Open(const std::string& path, Names names, Sharing sharing) {
  // O_NONBLOCK: a named pipe with no reader fails at once instead of waiting for one (the caller is the
  // window's thread), and one with a reader is refused below. O_NOCTTY: a terminal never becomes ours.
  // O_NOFOLLOW: a link in the file's place would have Kivu create or write whatever it points to.
  UniqueFd fd(open(path.c_str(),
                   O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW, 0644));
  if (!fd) {
    const int error = errno;
    if (error == ENXIO || error == EISDIR) return NotRegular(path, names.file, error, "not a regular file");
    if (error == ELOOP) return NotRegular(path, names.file, error, "a symbolic link");
    return Result::Failure(error);
  }
  struct stat st {};
  if (fstat(fd.Get(), &st) != 0) return Result::Failure(errno);
  if (!S_ISREG(st.st_mode)) return NotRegular(path, names.file, errno, "not a regular file");
  if (sharing == Sharing::Exclusive && flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 && errno != ENOLCK &&
      errno != EOPNOTSUPP && errno != ENOSYS)
    return Result::Failure(errno);
  fd_ = std::move(fd);
  path_ = path;
  names_ = names;
  if (!reportScope_.empty()) ForgetReports(reportScope_);
  reportScope_ = NewReportScope();
  resumeOwed_ = false;
  return {};
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
    try {
      ReportInfo(std::string("writing the ") + names_.file + " " + path_ + " goes on");
    } catch (...) {
    }
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
  try {
    const std::string reason = error ? std::strerror(error) : "nothing written";
    const std::string token = reportScope_ + (cuttingBack ? "cut-back:" : "write:") + std::to_string(error);
    if (cuttingBack)
      resumeOwed_ |= ReportOnce(token, DiagnosticLevel::Error,
                                std::string("a part record at the end of the ") + names_.file + " " + path_ +
                                    " cannot be taken back (" + reason + ")");
    else
      resumeOwed_ |=
          ReportOnce(token, DiagnosticLevel::Error,
                     std::string("writing the ") + names_.file + " " + path_ + " failed (" + reason + "); " +
                         names_.records + " that cannot be written whole are left out");
  } catch (...) {
    // No memory for the words: the record is left out all the same.
  }
}

}  // namespace kivu
