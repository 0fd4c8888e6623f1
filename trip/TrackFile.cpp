#include "trip/TrackFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kivu {

bool TrackFile::Open(const std::string& path) {
  UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  if (!fd) return false;
  // Not shared: two writers would interleave their lines and undo each other's cut-backs. Storage
  // that knows no locks at all is still written.
  if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 && errno != ENOLCK && errno != EOPNOTSUPP && errno != ENOSYS)
    return false;
  fd_ = std::move(fd);
  path_ = path;
  reported_ = false;
  batching_ = false;
  return true;
}

void TrackFile::Close() noexcept {
  Flush();
  fd_.Reset();
}

void TrackFile::SetBatching(bool batching) {
  Flush();
  batching_ = batching;
  if (batching) batch_.reserve(kBatchBytes);
}

bool TrackFile::Flush() noexcept {
  if (batch_.empty()) return true;
  bool written = WriteWhole(batch_.data(), batch_.size());
  batch_.clear();
  return written;
}

void TrackFile::ReportOnce(const char* what, int error) noexcept {
  if (reported_) return;
  reported_ = true;
  std::fprintf(
      stderr,
      "kivu: writing the track file %s failed (%s); lines that cannot be written whole are left out\n",
      path_.c_str(), error ? std::strerror(error) : what);
}

bool TrackFile::WriteLine(const char* line, size_t count) noexcept {
  if (!fd_) return false;
  if (!batching_ || count > kBatchBytes) return Flush() && WriteWhole(line, count);
  if (batch_.size() + count > kBatchBytes) Flush();
  batch_.append(line, count);  // within the capacity reserved: no allocation
  return true;
}

bool TrackFile::WriteWhole(const char* lines, size_t count) noexcept {
  // No seek before each line: the file is opened for appending and held by this writer alone, so a
  // write that falls short began `done` bytes before the file's end, which is only looked up then.
  size_t done = 0;
  while (done < count) {
    const ssize_t n = write(fd_.Get(), lines + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : 0;
      // Take back the part of a line that did get in, so that a reader never meets a torn line.
      size_t whole = done;
      while (whole > 0 && lines[whole - 1] != '\n')
        --whole;
      if (done > whole) {
        const off_t torn = static_cast<off_t>(done - whole);
        struct stat st {};
        if (fstat(fd_.Get(), &st) != 0 || st.st_size < torn || ftruncate(fd_.Get(), st.st_size - torn) != 0) {
          ReportOnce("cannot take back a part line", errno);
          return false;
        }
      }
      ReportOnce("nothing written", error);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace kivu
