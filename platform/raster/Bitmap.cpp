#include "platform/raster/Bitmap.h"

#include <algorithm>
#include <new>

namespace kivu {

std::optional<Bitmap> Bitmap::CreateForOverwrite(int width, int height, RowOrder order) {
  if (width <= 0 || height <= 0) return std::nullopt;
  const int64_t count = int64_t{width} * height;
  if (count > kMaxPixels) return std::nullopt;
  std::unique_ptr<uint32_t[]> pixels(new (std::nothrow) uint32_t[size_t(count)]);
  if (!pixels) return std::nullopt;
  return Bitmap(std::move(pixels), width, height, order);
}

std::optional<Bitmap> Bitmap::Create(int width, int height, RowOrder order) {
  std::optional<Bitmap> bitmap = CreateForOverwrite(width, height, order);
  if (bitmap) bitmap->Fill(0);
  return bitmap;
}

bool EnsureBitmap(std::optional<Bitmap>& bitmap, int width, int height) {
  if (bitmap && bitmap->Width() == width && bitmap->Height() == height) return true;
  bitmap.reset();  // the old memory goes before the new is asked for
  bitmap = Bitmap::CreateForOverwrite(width, height);
  return bitmap.has_value();
}

void Bitmap::Fill(uint32_t pixel) noexcept {
  std::fill_n(pixels_.get(), size_t(int64_t{width_} * height_), pixel);
}

}  // namespace kivu
