// Whole-file reads and crash-safe whole-file rewrites, for small files that Kivu keeps (the settings file).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivu {

struct WholeFile {
  enum class Status {
    Read,     // content holds every byte of the file
    Missing,  // no file of that name (or a folder of the path is missing)
    Failed,   // there is something, but it is not a regular file, too large, or could not be read whole
  };
  Status status = Status::Failed;
  std::string content;
  int error = 0;  // errno of the failure, 0 when read or missing
};

// Reads a regular file whole. A file longer than maxBytes, or one that yields fewer bytes than its size
// said, counts as a failure, so a caller never works on part of a file.
WholeFile ReadWholeFile(const std::string& path, std::size_t maxBytes) noexcept;

// Replaces the file at path by content so that the old content stays whole until the new one is complete
// on disk: the bytes go to a fresh file in the same folder, are flushed, and the fresh file is renamed over
// the old one. A missing file is created (mode 0666 less the umask); an existing one keeps its mode and,
// where we may set it, its owner. A symbolic link stays a link: the file it points to is replaced.
// An existing file that we may not write, or that is not a regular file, is left alone.
// Returns 0 on success, else the errno of the first failure; the temporary file is gone either way.
[[nodiscard]] int ReplaceFileAtomically(const std::string& path, std::string_view content) noexcept;

}  // namespace kivu
