// Any bytes as a PNG file: read to a bitmap or refused, never a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>

#include "platform/raster/Png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::optional<kivu::Bitmap> bitmap = kivu::ReadPngFromMemory(std::span<const unsigned char>(data, size));
  if (bitmap && (bitmap->Width() <= 0 || bitmap->Height() <= 0)) std::abort();
  return 0;
}
