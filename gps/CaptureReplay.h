// Recorded captures (a GPS message log, or any NMEA text) as the receiver takes them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "gps/GpsParser.h"

namespace kivu {

// The longest capture that is read for a replay: weeks of logs of a receiver sending every second.
inline constexpr std::size_t kMaxCaptureBytes = std::size_t{1} << 30;

// Plays a capture into a receiver as one stream, the way a replay reads a file: lines starting with
// '#' (a capture's notes) are skipped, cycles are cut by their UTC times, and the end of the capture
// ends the last cycle.
void ReplayCapture(CGpsParser& receiver, std::string_view capture);

// Cuts a capture into the receiver's cycles as it sent them, bytes as they are and notes left out,
// so that it can be played into a port one cycle at a time. Every byte of the capture outside its
// notes is in exactly one piece; the first piece also takes what came before the first sentence.
std::vector<std::string> SplitCaptureIntoCycles(std::string_view capture);

// The same cycles with their UTC times, for playing a capture at its own pace.
struct CapturedCycle {
  std::string bytes;
  int timeOfDay = -1;  // milliseconds of the day; -1 when no sentence of the cycle brought a time
};
std::vector<CapturedCycle> SplitCaptureIntoTimedCycles(std::string_view capture);

// The capture without its note lines (those starting with '#').
std::string WithoutCaptureNotes(std::string_view capture);

}  // namespace kivu
