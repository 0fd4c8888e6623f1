// Whole-file reads, for files that Kivu takes in at once (the settings file, a capture to replay).
#pragma once

#include <cstddef>
#include <string>

namespace kivu {

struct WholeFile {
  enum class Status {
    Read,     // content holds every byte of the file
    Missing,  // no file of that name (or a folder of the path is missing)
    Failed,   // there is something, but it is not a file we read, too large, or could not be read whole
  };
  Status status = Status::Failed;
  std::string content;
  int error = 0;     // errno of the failure (ENOENT when missing), 0 when read
  bool cut = false;  // ReadFileStart: the file is longer, and content holds its first maxBytes
};

// What a path may name besides a regular file. A stream (a named pipe, a terminal, a socket: a capture
// piped in by the shell) is read to its end, which may wait for its writer.
enum class WholeFileSources { RegularOnly, AlsoStreams };

// Reads a file whole. A file longer than maxBytes, or one that yields fewer bytes than its size said,
// counts as a failure, so a caller never works on part of a file. RegularOnly never waits: a named pipe
// in the file's place is refused at once.
WholeFile ReadWholeFile(const std::string& path, std::size_t maxBytes,
                        WholeFileSources sources = WholeFileSources::RegularOnly) noexcept;

// Reads a regular file whole, or its first maxBytes when it is longer (cut is then set): for a file whose
// start is worth having even when something has made it huge.
WholeFile ReadFileStart(const std::string& path, std::size_t maxBytes) noexcept;

}  // namespace kivu
