// A drive as a GPX 1.1 document: one track named by the drive's UTC date, a new segment wherever the
// fix was lost, one point per fix handed to the dashboard. Speed (m/s) and course ride in Garmin's
// TrackPointExtension v2, which map programs read. Numbers never follow the locale: the decimal point
// is always '.'.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "gps/GpsFix.h"

namespace kivu {

// Appends text to out with the five characters XML reserves written as entities.
void AppendXmlEscaped(std::string& out, std::string_view text);

// The document's start: the XML declaration and the opening <gpx> with its namespaces.
std::string_view GpxHead() noexcept;
// Appends one <trkpt> line for fix, as a segment holds it. False, with nothing appended, for a fix
// without a finite position.
bool AppendGpxPoint(std::string& out, const GpsFix& fix);

class GpxWriter {
 public:
  // The document goes to sink in pieces of about kBufferBytes; a sink that returns false has failed,
  // and nothing more is handed to it.
  using Sink = std::function<bool(std::string_view)>;
  static constexpr size_t kBufferBytes = 64 * 1024;

  explicit GpxWriter(Sink sink);

  // One fix. newSegment: the fix comes back after the fix was lost, so the line between the two is
  // no road driven. The first point opens the track. A fix without a finite position is left out.
  void AddPoint(const GpsFix& fix, bool newSegment);
  // Closes the document and hands the rest to the sink. False when the sink failed at any time.
  bool Finish();

  size_t Points() const noexcept { return points_; }

 private:
  void Flush();

  Sink sink_;
  std::string buffer_;
  size_t points_ = 0;
  bool failed_ = false;
};

}  // namespace kivu
