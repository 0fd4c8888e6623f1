// Cuts a recorded capture into the reads a reader thread would have made of it: each read runs from
// one "$GPRMC" to the next (or the end) and keeps at most kGpsReadSize bytes; text before the first
// "$GPRMC" is dropped. Replays and tests feed these reads through CGpsParser::HandleRead.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace kivu {

// Calls read(buffer, count) once per read; buffer has room for a terminating zero after count bytes.
void ForEachCaptureRead(std::string_view capture,
                        const std::function<void(char* buffer, size_t count)>& read);

}  // namespace kivu
