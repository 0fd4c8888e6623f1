// The day's track as a GPX document that is whole at every moment: after each point the file ends
// with the closing tags, and the next point is written over them together with the tags again, in
// one write. Killed at any time, or with its storage full, the file is a document map programs read,
// short of at most the point being written.
#pragma once

#include <sys/types.h>
#include <cstddef>
#include <string>

#include "gps/GpsFix.h"
#include "platform/UniqueFd.h"

namespace kivu {

class LiveGpxFile {
 public:
  // Opens path, creating the document when the file is missing or empty (its track named by day,
  // "2026-12-09"), or continuing one that ends as Kivu ends its documents. Anything else in the
  // file's place (not a regular file, a file that is not ours or is damaged, one another Kivu writes)
  // is left alone, with one line on standard error saying why. Never waits. False when not opened.
  bool Open(const std::string& path, const std::string& day);
  void Close() noexcept;
  bool IsOpen() const noexcept { return fd_.IsValid(); }

  // The next point starts a new segment: a new opening does so too.
  void EndSegment() noexcept { segmentOpen_ = false; }
  // Appends fix as a point. A write that fails or falls short (storage full or removed) puts the
  // closing tags back where they were, and standard error hears of it once per opening. False when
  // the point is not in the file.
  bool AddPoint(const GpsFix& fix);

 private:
  // Writes text at offset, in one write unless the system takes less. False with errno set when it did
  // not all get in.
  bool WriteAt(const std::string& text, off_t offset) noexcept;
  void Refuse(const std::string& why);

  UniqueFd fd_;
  std::string path_;
  std::string reportScope_;
  std::string chunk_;         // the write being made, kept for its capacity
  off_t trackEnd_ = 0;        // where " </trk>" begins
  bool segmentOpen_ = false;  // the file ends with "  </trkseg>" before the track's end
};

}  // namespace kivu
