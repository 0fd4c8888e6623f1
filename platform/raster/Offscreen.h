// An off-screen surface: a bitmap and a surface drawing on it, made and released together.
#pragma once

#include <memory>

#include "platform/raster/Bitmap.h"
#include "platform/raster/Surface.h"

namespace kivu {

class OffscreenSurface {
 public:
  // Nothing when the bitmap cannot be made (a side not positive, too large, no memory).
  static std::unique_ptr<OffscreenSurface> Create(int width, int height) {
    std::optional<Bitmap> bitmap = Bitmap::Create(width, height);
    if (!bitmap) return nullptr;
    return std::unique_ptr<OffscreenSurface>(new OffscreenSurface(std::move(*bitmap)));
  }
  OffscreenSurface(const OffscreenSurface&) = delete;
  OffscreenSurface& operator=(const OffscreenSurface&) = delete;

  Bitmap& GetBitmap() noexcept { return bitmap_; }
  Surface& GetSurface() noexcept { return surface_; }

 private:
  explicit OffscreenSurface(Bitmap bitmap) : bitmap_(std::move(bitmap)), surface_(bitmap_) {}

  Bitmap bitmap_;
  Surface surface_;
};

}  // namespace kivu
