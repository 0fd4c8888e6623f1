// A record file that only grows (the GPS message log, the track file): each record reaches the operating
// system whole or not at all, so a reader never meets a torn one, whatever the storage does.
#pragma once

#include <cstddef>
#include <string>

#include "platform/Result.h"
#include "platform/UniqueFd.h"

namespace kivu {

class AppendFile {
 public:
  // How standard error names the file and its records: "track file", "lines".
  struct Names {
    const char* file = "file";
    const char* records = "records";
  };
  enum class Sharing { Shared, Exclusive };

  // Opens path for appending, creating it when missing and keeping what is there. Only a regular file is
  // opened, and opening never waits: a named pipe, device, folder or symbolic link in the file's place is
  // refused with one line on standard error. Exclusive: a second opener of the same file (another Kivu, a
  // replay) is refused, because two writers would interleave their records and undo each other's cut-backs;
  // storage that knows no locks at all is still written. A failure leaves errno as the failure's, and a file
  // opened earlier open.
  //
  // The file words its own lines on standard error, from the names its owner gives: a write fails
  // deep in a reader thread, where no one else could tell the cause.
  Result Open(const std::string& path, Names names, Sharing sharing);
  void Close() noexcept { fd_.Reset(); }
  bool IsOpen() const noexcept { return fd_.IsValid(); }
  const std::string& Path() const noexcept { return path_; }

  // Appends one record. A write that fails or falls short (storage full or removed, a file size limit) is
  // undone by cutting the file back to its size before the write. Standard error hears of each cause
  // once per opening, and once that writing goes on when a record gets in again after it. False when
  // the record is not in the file.
  bool Append(const char* record, size_t count) noexcept;
  // Appends records that each end with '\n' in one write. After a failure the records that got in whole
  // stay and the rest is cut back. False when any of them is not in the file.
  bool AppendLines(const char* lines, size_t count) noexcept;

 private:
  bool Write(const char* data, size_t count, bool keepWholeLines) noexcept;
  void CutBack(size_t torn) noexcept;
  void Report(int error, bool cuttingBack) noexcept;

  UniqueFd fd_;
  std::string path_;
  Names names_;
  std::string reportScope_;  // each cause is told once per opening
  bool resumeOwed_ = false;  // a failure was told of and no record got in since
};

}  // namespace kivu
