// The pixels of a 32-bit image as pixel kernels walk them: no ownership, no drawing state.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/raster/Bitmap.h"
#include "platform/raster/Geometry.h"

namespace kivu {

// The first byte of the top row, the size, and the bytes from a row to the row below (negative for
// bottom-up memory). Rows hold 4 bytes a pixel: blue, green, red, spare.
struct PixelRows {
  uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;

  PixelRows() = default;
  PixelRows(uint8_t* bits, int width, int height, std::ptrdiff_t stride)
      : bits(bits), width(width), height(height), stride(stride) {}

  // The whole of a bitmap.
  static PixelRows Of(Bitmap& bitmap) { return Within(bitmap, bitmap.Bounds()); }
  // The part of a bitmap under rect, which lies inside it.
  static PixelRows Within(Bitmap& bitmap, const Rect& rect) {
    return PixelRows(reinterpret_cast<uint8_t*>(bitmap.Row(rect.top) + rect.left),
                     static_cast<int>(rect.Width()), static_cast<int>(rect.Height()), bitmap.Stride());
  }

  uint32_t* Row(int y) const { return reinterpret_cast<uint32_t*>(bits + std::ptrdiff_t(y) * stride); }
};

}  // namespace kivu
