#include "gps/CaptureReads.h"

#include <algorithm>
#include <cstring>

#include "gps/GpsParser.h"

namespace kivu {

void ForEachCaptureRead(std::string_view capture,
                        const std::function<void(char* buffer, size_t count)>& read) {
  static constexpr std::string_view kRmc = "$GPRMC";
  char buffer[kGpsReadSize + 1];
  size_t start = capture.find(kRmc);
  while (start != std::string_view::npos) {
    size_t next = capture.find(kRmc, start + 1);
    size_t end = next == std::string_view::npos ? capture.size() : next;
    size_t count = std::min(end - start, kGpsReadSize);
    std::memcpy(buffer, capture.data() + start, count);
    read(buffer, count);
    start = next;
  }
}

}  // namespace kivu
