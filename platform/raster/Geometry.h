// Value types of Kivu's raster layer: points, rectangles and colours.
#pragma once

#include <algorithm>
#include <cstdint>

namespace kivu {

struct Point {
  int x = 0;
  int y = 0;
  friend constexpr bool operator==(Point, Point) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend constexpr bool operator==(Size, Size) = default;
};

// (left, top, right, bottom) with right and bottom exclusive, as everywhere in Kivu's drawing.
// Sizes are 64-bit so that any pair of int edges gives a true width.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  constexpr int64_t Width() const { return int64_t{right} - left; }
  constexpr int64_t Height() const { return int64_t{bottom} - top; }
  constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
  constexpr bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  constexpr Rect Intersected(const Rect& o) const {
    Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
           std::min(bottom, o.bottom)};
    if (r.IsEmpty()) return Rect{};
    return r;
  }
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// A colour as (red, green, blue), each 0 to 255.
struct Color {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;

  // The pixel as it lies in a 32-bit bitmap: bytes blue, green, red, spare (spare zero).
  constexpr uint32_t ToPixel() const { return uint32_t{blue} | uint32_t{green} << 8 | uint32_t{red} << 16; }
  static constexpr Color FromPixel(uint32_t pixel) {
    return Color{uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)};
  }
  friend constexpr bool operator==(Color, Color) = default;
};

// The part of a pixel that carries the colour; the fourth byte is spare.
constexpr uint32_t kPixelColorMask = 0x00FFFFFF;

// The two system colours of sunken 3D frames.
constexpr Color kColor3DDarkShadow{64, 64, 64};
constexpr Color kColor3DLight{227, 227, 227};

}  // namespace kivu
