// The raw GPS message log: handled blocks appended byte for byte to a file, each block whole or not at
// all. Written by the reader thread, opened and closed by the user-interface thread; one lock guards the
// three, and it is held only around the write, the taking over of an opened file and the close.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

#include "platform/AppendFile.h"
#include "platform/Clock.h"

namespace kivu {

// What the user is told when a record file cannot be opened.
inline constexpr const char* kOpenFileFailed = "Open file failed!";

// The GPS message log of a day: folder + "gps" + yyyymmdd + ".txt".
std::string GpsLogFileName(const std::string& folder, const LocalTime& local);

class GpsMessageLog {
 public:
  // Opens path for appending, creating it when missing. False when it cannot be opened (also when
  // something other than a regular file has its name).
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const;
  // Appends the block when the log is open.
  void Write(const char* data, size_t count);

 private:
  mutable std::mutex mutex_;
  AppendFile file_;
};

}  // namespace kivu
