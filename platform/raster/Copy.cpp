// Copies of pixels between bitmaps: plain, AND, transparent and stretched.
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/raster/Surface.h"

namespace kivu {
namespace {

enum class Mode { Copy, And, Transparent };

// When a copy reads from the bitmap it writes, the source is taken aside first.
const Bitmap* Detach(const Bitmap& source, const Bitmap* target, std::optional<Bitmap>& copy) {
  if (&source != target) return &source;
  copy = Bitmap::Create(source.Width(), source.Height());
  if (!copy) return nullptr;
  for (int y = 0; y < source.Height(); ++y)
    std::memcpy(copy->Row(y), source.Row(y), size_t(source.RowBytes()));
  return &*copy;
}

void CopyPixels(Bitmap* target, Point to, const Bitmap& sourceBitmap, const Rect& sourceRect, Mode mode,
                uint32_t key) {
  if (!target) return;
  // Keep the unclipped offset of the source rectangle: moving the rectangle must not move the picture.
  const int64_t originX = int64_t{to.x} - sourceRect.left;
  const int64_t originY = int64_t{to.y} - sourceRect.top;
  std::optional<Bitmap> copy;
  const Bitmap* source = Detach(sourceBitmap, target, copy);
  if (!source) return;
  const Rect from = sourceRect.Intersected(source->Bounds());
  if (from.IsEmpty()) return;
  // Destination columns and rows, clipped to the target.
  const int64_t x0 = std::max<int64_t>(from.left + originX, 0);
  const int64_t x1 = std::min<int64_t>(from.right + originX, target->Width());
  const int64_t y0 = std::max<int64_t>(from.top + originY, 0);
  const int64_t y1 = std::min<int64_t>(from.bottom + originY, target->Height());
  if (x0 >= x1 || y0 >= y1) return;
  const size_t count = size_t(x1 - x0);
  for (int64_t y = y0; y < y1; ++y) {
    const uint32_t* in = source->Row(int(y - originY)) + (x0 - originX);
    uint32_t* out = target->Row(int(y)) + x0;
    switch (mode) {
      case Mode::Copy:
        std::memmove(out, in, count * 4);
        break;
      case Mode::And:
        for (size_t i = 0; i < count; ++i)
          out[i] &= in[i];
        break;
      case Mode::Transparent:
        // Every pixel stored, the old one where the source is the key: a loop the compiler turns
        // into vector blends.
        for (size_t i = 0; i < count; ++i)
          out[i] = (in[i] & kPixelColorMask) != key ? in[i] : out[i];
        break;
    }
  }
}

}  // namespace

void Surface::Blit(Point to, const Bitmap& source, const Rect& sourceRect, RasterOp op) {
  CopyPixels(bitmap_, to, source, sourceRect, op == RasterOp::SrcAnd ? Mode::And : Mode::Copy, 0);
}

void Surface::BlitTransparent(Point to, const Bitmap& source, const Rect& sourceRect, Color key) {
  CopyPixels(bitmap_, to, source, sourceRect, Mode::Transparent, key.ToPixel());
}

// Destination pixel i of n reads source pixel floor((2i + 1) * m / (2n)) of m: the source pixel under
// its centre. Equal sizes therefore copy one to one.
void Surface::StretchBlit(const Rect& to, const Bitmap& sourceBitmap, const Rect& sourceRect, RasterOp op) {
  if (!bitmap_ || to.IsEmpty() || sourceRect.IsEmpty()) return;
  const Rect& sourceArea = sourceRect;
  std::optional<Bitmap> copy;
  const Bitmap* source = Detach(sourceBitmap, bitmap_, copy);
  if (!source) return;
  const Rect clip = to.Intersected(bitmap_->Bounds());
  if (clip.IsEmpty()) return;

  auto sourceIndex = [](int64_t i, int64_t n, int64_t m, int64_t start) {
    return start + int64_t((__int128{2} * i + 1) * m / (__int128{2} * n));
  };
  std::vector<int> columns;  // source column of each destination column, -1 when outside the source
  columns.reserve(size_t(clip.Width()));
  for (int x = clip.left; x < clip.right; ++x) {
    const int64_t sx = sourceIndex(int64_t{x} - to.left, to.Width(), sourceArea.Width(), sourceArea.left);
    columns.push_back(sx >= 0 && sx < source->Width() ? int(sx) : -1);
  }
  for (int y = clip.top; y < clip.bottom; ++y) {
    const int64_t sy = sourceIndex(int64_t{y} - to.top, to.Height(), sourceArea.Height(), sourceArea.top);
    if (sy < 0 || sy >= source->Height()) continue;
    const uint32_t* in = source->Row(int(sy));
    uint32_t* out = bitmap_->Row(y) + clip.left;
    for (size_t i = 0; i < columns.size(); ++i) {
      if (columns[i] < 0) continue;
      out[i] = op == RasterOp::SrcAnd ? (out[i] & in[columns[i]]) : in[columns[i]];
    }
  }
}

}  // namespace kivu
