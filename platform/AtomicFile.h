// Crash-safe whole-file rewrites: small files that Kivu keeps (the settings file) and files written in
// pieces (a replay's GPX).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Result.h"
#include "platform/UniqueFd.h"

namespace kivu {

// Replaces the file at path by content so that the old content stays whole until the new one is complete
// on disk: the bytes go to a fresh file in the same folder, are flushed, and the fresh file is renamed over
// the old one. A missing file is created (mode 0666 less the umask); an existing one keeps its mode and,
// where we may set it, its owner. A symbolic link stays a link: the file it points to is replaced, in its
// own folder, but only where the link (every link of a chain) and that file belong to the user we run as;
// anyone else's link or file fails with EPERM and words that say why, and both are left alone.
// An existing file that we may not write, or that is not a regular file, is left alone.
// A failure carries the errno of the first step that failed; the temporary file is gone either way.
// Temporary files of this name that a killed save left behind ("Kivu.ini.new-PID-N" of a process that
// is gone) are removed first.
Result ReplaceFileAtomically(const std::string& path, std::string_view content) noexcept;

// The same in pieces, for files too large to hold whole: Open does the checks above and creates the
// fresh file, Write appends to it, Commit flushes it and renames it over path. A failure of any step
// removes the fresh file and leaves path as it was; so does a writer that goes without Commit.
class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  Result Open(const std::string& path) noexcept;
  Result Write(std::string_view data) noexcept;
  Result Commit() noexcept;

 private:
  Result Prepare(const std::string& path);
  Result Fail(int error);

  std::string target_;  // path, or the file its own links lead to
  std::string temp_;
  UniqueFd fd_;
};

}  // namespace kivu
