#include "trip/LiveGpxFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/Diagnostics.h"
#include "trip/GpxWriter.h"

namespace kivu {

namespace {

constexpr std::string_view kSegmentEnd = "  </trkseg>\n";
constexpr std::string_view kTrackEnd = " </trk>\n</gpx>\n";
constexpr std::string_view kSegmentStart = "  <trkseg>\n";

off_t Size(std::string_view text) {
  return static_cast<off_t>(text.size());
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

void LiveGpxFile::Refuse(const std::string& why) {
  ReportWarning("the GPX file " + path_ + " " + why + "; it is not written (the track file goes on)");
  fd_.Reset();
}

bool LiveGpxFile::Open(const std::string& path, const std::string& day) {
  Close();
  path_ = path;
  // O_NONBLOCK: a named pipe in the file's place fails or is refused at once instead of waiting for
  // its other end. O_NOFOLLOW: a link would have Kivu write whatever it points to.
  fd_ = UniqueFd(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW, 0644));
  if (!fd_) {
    const int error = errno;
    if (error == ENXIO || error == EISDIR || error == ELOOP)
      Refuse(error == ELOOP ? "is a symbolic link" : "is not a regular file");
    else
      Refuse(std::string("cannot be opened (") + std::strerror(error) + ")");
    return false;
  }
  struct stat st {};
  if (fstat(fd_.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    Refuse("is not a regular file");
    return false;
  }
  // Two writers would write their points over each other's.
  if (flock(fd_.Get(), LOCK_EX | LOCK_NB) != 0 && errno != ENOLCK && errno != EOPNOTSUPP && errno != ENOSYS) {
    Refuse("is written by another program");
    return false;
  }
  if (!reportScope_.empty()) ForgetReports(reportScope_);
  reportScope_ = NewReportScope();
  segmentOpen_ = false;
  if (st.st_size == 0) {
    std::string start(GpxHead());
    start += " <trk>\n  <name>";
    AppendXmlEscaped(start, day);
    start += "</name>\n";
    trackEnd_ = Size(start);
    start += kTrackEnd;
    if (!WriteAt(start, 0)) {
      const int error = errno;
      if (ftruncate(fd_.Get(), 0) != 0) {
        // Nothing more to do: the file was empty and stays as the failed write left it.
      }
      Refuse(std::string("cannot be written (") + std::strerror(error) + ")");
      return false;
    }
    return true;
  }
  // Only a document that ends as Kivu ends its documents is continued: anything else is someone
  // else's, or damaged, and writing over its end would make it worse.
  char tail[64];
  const size_t want = std::min(sizeof tail, static_cast<size_t>(st.st_size));
  const ssize_t got = pread(fd_.Get(), tail, want, st.st_size - static_cast<off_t>(want));
  if (got != static_cast<ssize_t>(want) || !EndsWith({tail, want}, kTrackEnd)) {
    Refuse("does not end as Kivu ends its GPX files");
    return false;
  }
  trackEnd_ = st.st_size - Size(kTrackEnd);
  return true;
}

void LiveGpxFile::Close() noexcept {
  fd_.Reset();
}

bool LiveGpxFile::WriteAt(const std::string& text, off_t offset) noexcept {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n =
        pwrite(fd_.Get(), text.data() + done, text.size() - done, offset + static_cast<off_t>(done));
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ENOSPC;
    return false;
  }
  return true;
}

bool LiveGpxFile::AddPoint(const GpsFix& fix) {
  if (!fd_) return false;
  chunk_.clear();
  const bool newSegment = !segmentOpen_;
  if (newSegment) chunk_ += kSegmentStart;
  if (!AppendGpxPoint(chunk_, fix)) return false;
  const size_t pointEnd = chunk_.size();
  chunk_ += kSegmentEnd;
  chunk_ += kTrackEnd;
  // A point within the open segment goes where "  </trkseg>" begins; the first of a segment goes
  // after the segment before it has ended.
  const off_t offset = newSegment ? trackEnd_ : trackEnd_ - Size(kSegmentEnd);
  if (WriteAt(chunk_, offset)) {
    trackEnd_ = offset + static_cast<off_t>(pointEnd) + Size(kSegmentEnd);
    segmentOpen_ = true;
    return true;
  }
  const int error = errno;
  // The closing tags go back where they were and whatever got in after them goes, so that the file
  // stays the document it was. Rewriting bytes the file had takes no new room.
  std::string end(segmentOpen_ ? kSegmentEnd : std::string_view{});
  end += kTrackEnd;
  const off_t endAt = segmentOpen_ ? trackEnd_ - Size(kSegmentEnd) : trackEnd_;
  const bool restored = WriteAt(end, endAt) && ftruncate(fd_.Get(), endAt + Size(end)) == 0;
  ReportOnce(reportScope_ + "write", DiagnosticLevel::Error,
             "writing the GPX file " + path_ + " failed (" + std::strerror(error) + "); " +
                 (restored ? "the points that do not fit are left out" : "its end cannot be put back"));
  return false;
}

}  // namespace kivu
