#include "platform/raster/Surface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kivu {

std::shared_ptr<const Font> Surface::SelectFont(std::shared_ptr<const Font> font) {
  return std::exchange(font_, std::move(font));
}

const std::shared_ptr<const Font>& Surface::CurrentFont() const {
  if (font_) return font_;
  if (!defaultFont_) defaultFont_ = Font::Default();
  return defaultFont_;
}

void Surface::ResetState() noexcept {
  pen_ = Pen::Solid(Color{0, 0, 0});
  brush_ = Brush::Solid(Color{255, 255, 255});
  font_.reset();
  textColor_ = Color{0, 0, 0};
  backgroundMode_ = BackgroundMode::Opaque;
  backgroundColor_ = Color{255, 255, 255};
}

void Surface::FillSpan(int64_t y, int64_t x0, int64_t x1, uint32_t pixel) {
  if (!bitmap_ || y < 0 || y >= bitmap_->Height()) return;
  x0 = std::max<int64_t>(x0, 0);
  x1 = std::min<int64_t>(x1, bitmap_->Width());
  if (x0 >= x1) return;
  std::fill(bitmap_->Row(int(y)) + x0, bitmap_->Row(int(y)) + x1, pixel);
}

void Surface::FillRect(const Rect& rect, Color color) {
  if (!bitmap_) return;
  const Rect r = rect.Intersected(bitmap_->Bounds());
  for (int y = r.top; y < r.bottom; ++y)
    FillSpan(y, r.left, r.right, color.ToPixel());
}

// Pixel i of a line (0 <= i < its length along the major axis) lies at i along the major axis and at
// round(i * minor / major) along the minor one, halves rounded away from the start. Only the steps
// that fall inside the bitmap along the major axis are visited, so a line of any length costs at most
// one bitmap side. A wide line widens each step along the minor axis: a band `width` pixels thick
// measured across the line is round(width * sqrt(1 + slope^2)) pixels thick along the minor axis.
void Surface::DrawLineRaw(Point from, Point to, int width, uint32_t pixel) {
  if (!bitmap_) return;
  const int64_t dx = int64_t{to.x} - from.x;
  const int64_t dy = int64_t{to.y} - from.y;
  const int64_t adx = std::llabs(dx);
  const int64_t ady = std::llabs(dy);
  if (adx == 0 && ady == 0) return;
  const bool xMajor = adx >= ady;
  const int64_t major = xMajor ? adx : ady;
  const int64_t minor = xMajor ? ady : adx;
  const int64_t majorStart = xMajor ? from.x : from.y;
  const int64_t minorStart = xMajor ? from.y : from.x;
  const int64_t majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
  const int64_t minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const int64_t majorLimit = xMajor ? bitmap_->Width() : bitmap_->Height();
  const int64_t minorLimit = xMajor ? bitmap_->Height() : bitmap_->Width();
  int64_t across = 1;
  if (width > 1) {
    const long double slope = static_cast<long double>(minor) / static_cast<long double>(major);
    across = std::llround(width * std::sqrt(1 + slope * slope));
  }
  // An even band has its extra pixel on the far side, as a wide horizontal line has it below.
  const int64_t before = (across - 1) / 2;
  const int64_t after = across / 2;

  int64_t first = 0;
  int64_t last = major - 1;
  if (majorStep > 0) {
    first = std::max<int64_t>(first, -majorStart);
    last = std::min<int64_t>(last, majorLimit - 1 - majorStart);
  } else {
    first = std::max<int64_t>(first, majorStart - (majorLimit - 1));
    last = std::min<int64_t>(last, majorStart);
  }
  for (int64_t i = first; i <= last; ++i) {
    const __int128 offset = (__int128{2} * i * minor + major) / (__int128{2} * major);
    const int64_t m = majorStart + majorStep * i;
    const int64_t n = minorStart + minorStep * int64_t(offset);
    const int64_t n0 = std::max<int64_t>(n - before, 0);
    const int64_t n1 = std::min<int64_t>(n + after, minorLimit - 1);
    if (!xMajor) {
      FillSpan(m, n0, n1 + 1, pixel);
      continue;
    }
    for (int64_t y = n0; y <= n1; ++y)
      bitmap_->SetPixelAt(int(m), int(y), pixel);
  }
}

void Surface::StampPen(Point at) {
  const int64_t width = PenWidth();
  const int64_t x0 = int64_t{at.x} - (width - 1) / 2;
  const int64_t y0 = int64_t{at.y} - (width - 1) / 2;
  const int64_t top = std::max<int64_t>(y0, 0);
  const int64_t bottom = std::min<int64_t>(y0 + width, bitmap_ ? bitmap_->Height() : 0);
  for (int64_t y = top; y < bottom; ++y)
    FillSpan(y, x0, x0 + width, pen_.color.ToPixel());
}

void Surface::DrawLine(Point from, Point to) {
  if (pen_.visible) DrawLineRaw(from, to, PenWidth(), pen_.color.ToPixel());
}

void Surface::DrawPolyline(std::span<const Point> points) {
  for (size_t i = 1; i < points.size(); ++i) {
    DrawLine(points[i - 1], points[i]);
    if (WidePen() && i + 1 < points.size()) StampPen(points[i]);
  }
}

void Surface::DrawFrame3D(const Rect& rect, Color topLeft, Color bottomRight) {
  if (rect.IsEmpty()) return;
  // The top and left edges stop one pixel short; the corners at the top right and bottom left belong
  // to the bottom and right edges.
  FillRect(Rect{rect.left, rect.top, rect.right - 1, rect.top + 1}, topLeft);
  FillRect(Rect{rect.left, rect.top, rect.left + 1, rect.bottom - 1}, topLeft);
  FillRect(Rect{rect.right - 1, rect.top, rect.right, rect.bottom}, bottomRight);
  FillRect(Rect{rect.left, rect.bottom - 1, rect.right, rect.bottom}, bottomRight);
}

}  // namespace kivu
