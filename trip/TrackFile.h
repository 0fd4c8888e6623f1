// The open track file: lines appended, each reaching the operating system whole or not at all.
#pragma once

#include <cstddef>
#include <string>

#include "platform/AppendFile.h"

namespace kivu {

class TrackFile {
 public:
  // Opens path for appending, creating it when missing and keeping what is there. Another opener of
  // the same file (a second Kivu, a replay) is refused, and so is anything but a regular file. False
  // when the file cannot be opened.
  bool Open(const std::string& path);
  // Writes what is batched, then closes.
  void Close() noexcept;
  bool IsOpen() const noexcept { return file_.IsOpen(); }
  const std::string& Path() const noexcept { return file_.Path(); }

  // Appends one line, with no buffering of ours unless batching is on. A write that fails or falls
  // short (storage full or removed) is undone by cutting the file back to its last whole line, so the
  // file only ever holds whole lines; standard error hears of each cause once per opening, and once
  // that writing goes on. False when the line is not in the file (batched: when it could not be kept
  // for the next write).
  bool WriteLine(const char* line, size_t count) noexcept;

  // Replays, which make lines far faster than a receiver: gather up to kBatchBytes of lines and write
  // them at once (and at Close). A dashboard following a receiver writes each line as it comes, so
  // that a power cut loses nothing already shown.
  // Each opening starts without batching.
  static constexpr size_t kBatchBytes = 64 * 1024;
  void SetBatching(bool batching);

 private:
  bool Flush() noexcept;

  AppendFile file_;
  bool batching_ = false;
  std::string batch_;
};

}  // namespace kivu
