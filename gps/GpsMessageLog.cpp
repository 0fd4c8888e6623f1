#include "gps/GpsMessageLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kivu {

std::string GpsLogFileName(const std::string& folder, const LocalTime& local) {
  char name[64];
  std::snprintf(name, sizeof name, "gps%d%.2d%.2d.txt", local.year, local.month, local.day);
  return folder + name;
}

bool GpsMessageLog::Open(const std::string& path) {
  UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  if (!fd) return false;
  std::lock_guard lock(mutex_);
  fd_ = std::move(fd);
  path_ = path;
  reportedFailure_ = false;
  return true;
}

void GpsMessageLog::Close() {
  std::lock_guard lock(mutex_);
  fd_.Reset();
}

bool GpsMessageLog::IsOpen() const {
  std::lock_guard lock(mutex_);
  return fd_.IsValid();
}

void GpsMessageLog::Write(const char* data, size_t count) {
  std::lock_guard lock(mutex_);
  if (!fd_) return;
  size_t done = 0;
  while (done < count) {
    ssize_t n = write(fd_.Get(), data + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (!reportedFailure_) {
        std::fprintf(stderr, "kivu: writing the GPS message log %s failed: %s\n", path_.c_str(),
                     n < 0 ? std::strerror(errno) : "nothing written");
        reportedFailure_ = true;
      }
      return;
    }
    done += static_cast<size_t>(n);
  }
}

}  // namespace kivu
