// The open track file: lines appended, each reaching the operating system whole or not at all.
#pragma once

#include <cstddef>
#include <string>

#include "platform/UniqueFd.h"

namespace kivu {

class TrackFile {
 public:
  // Opens path for appending, creating it when missing and keeping what is there. Another opener of
  // the same file (a second Kivu, a replay) is refused. False when the file cannot be opened.
  bool Open(const std::string& path);
  void Close() noexcept;
  bool IsOpen() const noexcept { return fd_.IsValid(); }
  const std::string& Path() const noexcept { return path_; }

  // Appends one line with no buffering of ours. A write that fails or falls short (storage full or
  // removed) is undone by cutting the file back to its length before the line, so the file only
  // ever holds whole lines; standard error hears of it once per opening. False when the line is
  // not in the file.
  bool WriteLine(const char* line, size_t count) noexcept;

 private:
  void ReportOnce(const char* what, int error) noexcept;

  UniqueFd fd_;
  std::string path_;
  bool reported_ = false;
};

}  // namespace kivu
