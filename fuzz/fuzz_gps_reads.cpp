// Any bytes as a capture, gathered into cycles and handled exactly as the reader thread handles them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "gps/CaptureReplay.h"
#include "gps/FixJson.h"
#include "gps/GpsParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t handed = 0;
  kivu::DirectFixOwner owner([&](const kivu::GpsFix& fix) {
    handed += kivu::FormatFixJson(fix).size();  // every fix that reaches the view also prints
  });
  kivu::CGpsParser receiver;
  receiver.SetOwner(&owner);
  kivu::ReplayCapture(receiver, std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
