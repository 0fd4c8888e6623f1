#include "gps/GpsMessageLog.h"

#include <cstdio>

namespace kivu {

std::string GpsLogFileName(const std::string& folder, const LocalTime& local) {
  char name[64];
  std::snprintf(name, sizeof name, "gps%d%.2d%.2d.txt", local.year, local.month, local.day);
  return folder + name;
}

bool GpsMessageLog::Open(const std::string& path) {
  AppendFile file;
  if (!file.Open(path, {"GPS message log", "blocks"}, AppendFile::Sharing::Shared)) return false;
  std::lock_guard lock(mutex_);
  file_ = std::move(file);
  return true;
}

void GpsMessageLog::Close() {
  std::lock_guard lock(mutex_);
  file_.Close();
}

bool GpsMessageLog::IsOpen() const {
  std::lock_guard lock(mutex_);
  return file_.IsOpen();
}

void GpsMessageLog::Write(const char* data, size_t count) {
  std::lock_guard lock(mutex_);
  file_.Append(data, count);
}

}  // namespace kivu
