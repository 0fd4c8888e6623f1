// A 32-bit bitmap in memory: bytes blue, green, red, spare per pixel, rows addressed top first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "platform/raster/Geometry.h"

namespace kivu {

// How the rows lie in memory. Drawing always addresses rows from the top; the order only matters to
// code that walks the memory itself with a stride.
enum class RowOrder { TopDown, BottomUp };

class Bitmap {
 public:
  // The largest bitmap Kivu makes, in pixels: far above any screen, low enough that sizes never overflow.
  static constexpr int64_t kMaxPixels = int64_t{1} << 26;

  // A bitmap of the given size with every pixel zero (black); nothing when a side is not positive, the
  // size is beyond kMaxPixels or the memory cannot be had.
  static std::optional<Bitmap> Create(int width, int height, RowOrder order = RowOrder::TopDown);
  // The same with pixels left as the memory had them: for a bitmap whose user paints every pixel
  // before any is read, so that making it does not touch every page of it.
  static std::optional<Bitmap> CreateForOverwrite(int width, int height, RowOrder order = RowOrder::TopDown);

  Bitmap(Bitmap&& other) noexcept
      : pixels_(std::move(other.pixels_)),
        width_(std::exchange(other.width_, 0)),
        height_(std::exchange(other.height_, 0)),
        order_(other.order_) {}
  Bitmap& operator=(Bitmap&& other) noexcept {
    pixels_ = std::move(other.pixels_);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    order_ = other.order_;
    return *this;
  }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  Rect Bounds() const noexcept { return Rect{0, 0, width_, height_}; }
  RowOrder Order() const noexcept { return order_; }

  // Bytes of one row (rows are never padded: 4 bytes a pixel).
  std::ptrdiff_t RowBytes() const noexcept { return std::ptrdiff_t{width_} * 4; }
  // Bytes from one row to the row below it: negative for bottom-up memory.
  std::ptrdiff_t Stride() const noexcept { return order_ == RowOrder::TopDown ? RowBytes() : -RowBytes(); }
  // The lowest address of the pixel memory.
  uint8_t* Memory() noexcept { return reinterpret_cast<uint8_t*>(pixels_.get()); }
  const uint8_t* Memory() const noexcept { return reinterpret_cast<const uint8_t*>(pixels_.get()); }

  // Row y counted from the top, 0 <= y < Height().
  uint32_t* Row(int y) noexcept { return pixels_.get() + RowIndex(y) * width_; }
  const uint32_t* Row(int y) const noexcept { return pixels_.get() + RowIndex(y) * width_; }

  uint32_t PixelAt(int x, int y) const noexcept { return Row(y)[x]; }
  Color ColorAt(int x, int y) const noexcept { return Color::FromPixel(PixelAt(x, y)); }
  void SetPixelAt(int x, int y, uint32_t pixel) noexcept { Row(y)[x] = pixel; }
  void Fill(uint32_t pixel) noexcept;

 private:
  Bitmap(std::unique_ptr<uint32_t[]> pixels, int width, int height, RowOrder order)
      : pixels_(std::move(pixels)), width_(width), height_(height), order_(order) {}
  std::ptrdiff_t RowIndex(int y) const noexcept { return order_ == RowOrder::TopDown ? y : height_ - 1 - y; }

  std::unique_ptr<uint32_t[]> pixels_;
  int width_ = 0;
  int height_ = 0;
  RowOrder order_ = RowOrder::TopDown;
};

// Keeps bitmap when it has the size already, else makes it anew with CreateForOverwrite: how bitmaps
// that live from paint to paint follow a size. False (and no bitmap) when it cannot be made.
bool EnsureBitmap(std::optional<Bitmap>& bitmap, int width, int height);

}  // namespace kivu
