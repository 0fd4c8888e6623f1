// Any sequence of fixes, however wild their values, through the trip computer: the figures update
// without fault (no overflowing conversion, no unbounded formatting), and every track line that is
// formatted is whole, fits its buffer and carries the right checksum.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/Clock.h"
#include "trip/FixClock.h"
#include "trip/TrackLine.h"
#include "view/HeadlessWindow.h"
#include "view/KivuView.h"

namespace {

void CheckLine(const char* line, size_t length) {
  if (length == 0) return;
  if (length >= kivu::kTrackLineSize || std::strlen(line) != length) std::abort();
  if (line[0] != '$' || line[length - 2] != '\r' || line[length - 1] != '\n' || line[length - 5] != '*')
    std::abort();
  unsigned sum = 0;
  for (size_t i = 1; i < length - 5; ++i)
    sum += static_cast<unsigned char>(line[i]);
  static const char kHex[] = "0123456789ABCDEF";
  if (line[length - 4] != kHex[(sum >> 4) & 15] || line[length - 3] != kHex[sum & 15]) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  if (size < 1) return 0;
  kivu::AppSettings settings;
  settings.unitSelection = data[0] & 1;
  settings.pitchSource = (data[0] >> 1) & 1;
  settings.rollSource = (data[0] >> 2) & 1;
  ++data;
  --size;
  kivu::HeadlessWindow window;
  kivu::FixClock clock;
  kivu::CKivuView view(window, settings, clock);
  // Each fix is the bytes of the record, followed by eight bytes of clock.
  constexpr size_t kStep = sizeof(kivu::GpsFix) + sizeof(int64_t);
  for (; size >= kStep; data += kStep, size -= kStep) {
    kivu::GpsFix fix;
    std::memcpy(&fix, data, sizeof fix);
    int64_t now;
    std::memcpy(&now, data + sizeof fix, sizeof now);
    clock.Set(now);
    view.OnGpsFix(fix);
    kivu::LocalTime local;
    kivu::ToLocalTime(now, local);
    char line[kivu::kTrackLineSize];
    CheckLine(line, kivu::FormatTrackLine(line, local, view.CurrentFix(), view.Stats()));
  }
  return 0;
}
