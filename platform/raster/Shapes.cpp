// Rectangles, rounded rectangles, ellipses and polygons: the outline with the pen, the inside with
// the brush.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/raster/Surface.h"

namespace kivu {
namespace {

int64_t FloorHalf(int64_t a) {
  return a >> 1;
}
int64_t CeilHalf(int64_t a) {
  return -((-a) >> 1);
}

// The pixels of row y (top <= y < bottom) of the ellipse inscribed in the box: those whose centres lie
// inside it. In doubled coordinates about the box's centre, pixel x is inside when
// dx^2 * H^2 + dy^2 * W^2 <= W^2 * H^2, with dx = 2x + 1 - (left + right), dy = 2y + 1 - (top + bottom).
void EllipseRow(int64_t left, int64_t top, int64_t right, int64_t bottom, int64_t y, int64_t& x0,
                int64_t& x1) {
  const int64_t w = right - left;
  const int64_t h = bottom - top;
  const int64_t dy = 2 * y + 1 - (top + bottom);
  const long double reach = static_cast<long double>(w) *
                            std::sqrt(static_cast<long double>(h - dy) * static_cast<long double>(h + dy)) /
                            static_cast<long double>(h);
  int64_t k = static_cast<int64_t>(reach);
  if (w < (int64_t{1} << 31) && h < (int64_t{1} << 31)) {
    // Settle the estimate exactly: the largest k with k^2 H^2 <= W^2 (H^2 - dy^2).
    const __int128 limit = __int128{w} * w * (__int128{h} * h - __int128{dy} * dy);
    auto fits = [&](int64_t v) { return __int128{v} * v * h * h <= limit; };
    while (k > 0 && !fits(k))
      --k;
    while (fits(k + 1))
      ++k;
  }
  x0 = CeilHalf(left + right - 1 - k);
  x1 = FloorHalf(left + right - 1 + k) + 1;
}

// Row y of a rectangle whose corners are quarters of an ellipse cw wide and ch high (0 < cw <= width,
// 0 < ch <= height): the rectangle's row inset at each end as far as the corner's ellipse is.
void RoundRectRow(int64_t left, int64_t top, int64_t right, int64_t bottom, int64_t cw, int64_t ch, int64_t y,
                  int64_t& x0, int64_t& x1) {
  int64_t inset = 0;
  int64_t e0, e1;
  if (y - top < ch / 2) {
    EllipseRow(left, top, left + cw, top + ch, y, e0, e1);
    inset = e0 - left;
  } else if (bottom - 1 - y < ch / 2) {
    EllipseRow(left, bottom - ch, left + cw, bottom, y, e0, e1);
    inset = e0 - left;
  }
  x0 = left + inset;
  x1 = right - inset;
}

}  // namespace

template <typename SpanOfRow>
void Surface::PaintRegion(int64_t top, int64_t bottom, const SpanOfRow& spanOf) {
  if (!bitmap_ || (!pen_.visible && !brush_.visible)) return;
  const int64_t first = std::max<int64_t>(top, 0);
  const int64_t last = std::min<int64_t>(bottom, bitmap_->Height());
  auto span = [&](int64_t y, int64_t& x0, int64_t& x1) {
    if (y < top || y >= bottom || !spanOf(y, x0, x1) || x0 >= x1) {
      x0 = 0, x1 = 0;
      return false;
    }
    return true;
  };
  for (int64_t y = first; y < last; ++y) {
    int64_t x0, x1, a0, a1, b0, b1;
    if (!span(y, x0, x1)) continue;
    const bool above = span(y - 1, a0, a1);
    const bool below = span(y + 1, b0, b1);
    // Inside: not at either end of the row and with the shape above and below.
    int64_t i0 = x0 + 1, i1 = x1 - 1;
    if (above && below) {
      i0 = std::max({i0, a0, b0});
      i1 = std::min({i1, a1, b1});
    } else {
      i1 = i0;
    }
    if (i0 >= i1) {
      if (pen_.visible) FillSpan(y, x0, x1, pen_.color.ToPixel());
      continue;
    }
    if (pen_.visible) {
      FillSpan(y, x0, i0, pen_.color.ToPixel());
      FillSpan(y, i1, x1, pen_.color.ToPixel());
    }
    if (brush_.visible) FillSpan(y, i0, i1, brush_.color.ToPixel());
  }
}

template <typename OuterOfRow, typename InnerOfRow>
void Surface::PaintBand(int64_t top, int64_t bottom, const OuterOfRow& outerOf, int64_t innerTop,
                        int64_t innerBottom, const InnerOfRow& innerOf) {
  if (!bitmap_) return;
  const int64_t first = std::max<int64_t>(top, 0);
  const int64_t last = std::min<int64_t>(bottom, bitmap_->Height());
  for (int64_t y = first; y < last; ++y) {
    int64_t x0, x1, i0 = 0, i1 = 0;
    if (!outerOf(y, x0, x1) || x0 >= x1) continue;
    // A row without inside is all outline: the inside then sits empty at the row's right end.
    if (y < innerTop || y >= innerBottom || !innerOf(y, i0, i1) || i0 >= i1) i0 = i1 = x1;
    i0 = std::clamp(i0, x0, x1);
    i1 = std::clamp(i1, i0, x1);
    FillSpan(y, x0, i0, pen_.color.ToPixel());
    FillSpan(y, i1, x1, pen_.color.ToPixel());
    if (brush_.visible) FillSpan(y, i0, i1, brush_.color.ToPixel());
  }
}

void Surface::DrawRect(const Rect& rect) {
  if (rect.IsEmpty()) return;
  if (WidePen()) {
    const int64_t w = PenWidth();
    PaintBand(
        rect.top, rect.bottom,
        [&](int64_t, int64_t& x0, int64_t& x1) {
          x0 = rect.left, x1 = rect.right;
          return true;
        },
        int64_t{rect.top} + w, int64_t{rect.bottom} - w,
        [&](int64_t, int64_t& x0, int64_t& x1) {
          x0 = rect.left + w, x1 = rect.right - w;
          return true;
        });
    return;
  }
  PaintRegion(rect.top, rect.bottom, [&](int64_t, int64_t& x0, int64_t& x1) {
    x0 = rect.left, x1 = rect.right;
    return true;
  });
}

void Surface::DrawEllipse(const Rect& rect) {
  if (rect.IsEmpty()) return;
  if (WidePen()) {
    // The inside is the ellipse of the rectangle inset by the pen's width on every side.
    const int64_t w = PenWidth();
    const int64_t left = rect.left + w, top = rect.top + w, right = rect.right - w, bottom = rect.bottom - w;
    PaintBand(
        rect.top, rect.bottom,
        [&](int64_t y, int64_t& x0, int64_t& x1) {
          EllipseRow(rect.left, rect.top, rect.right, rect.bottom, y, x0, x1);
          return true;
        },
        top, bottom,
        [&](int64_t y, int64_t& x0, int64_t& x1) {
          if (left >= right) return false;
          EllipseRow(left, top, right, bottom, y, x0, x1);
          return true;
        });
    return;
  }
  PaintRegion(rect.top, rect.bottom, [&](int64_t y, int64_t& x0, int64_t& x1) {
    EllipseRow(rect.left, rect.top, rect.right, rect.bottom, y, x0, x1);
    return true;
  });
}

void Surface::DrawRoundRect(const Rect& rect, int cornerWidth, int cornerHeight) {
  if (rect.IsEmpty()) return;
  const int64_t cw = std::clamp<int64_t>(cornerWidth, 0, rect.Width());
  const int64_t ch = std::clamp<int64_t>(cornerHeight, 0, rect.Height());
  if (cw == 0 || ch == 0) return DrawRect(rect);
  if (WidePen()) {
    // The inside is the rectangle inset by the pen's width, its corners' ellipse shrunk by twice that.
    const int64_t w = PenWidth();
    const int64_t left = rect.left + w, top = rect.top + w, right = rect.right - w, bottom = rect.bottom - w;
    const int64_t icw = std::clamp<int64_t>(cw - 2 * w, 0, std::max<int64_t>(right - left, 0));
    const int64_t ich = std::clamp<int64_t>(ch - 2 * w, 0, std::max<int64_t>(bottom - top, 0));
    PaintBand(
        rect.top, rect.bottom,
        [&](int64_t y, int64_t& x0, int64_t& x1) {
          RoundRectRow(rect.left, rect.top, rect.right, rect.bottom, cw, ch, y, x0, x1);
          return true;
        },
        top, bottom,
        [&](int64_t y, int64_t& x0, int64_t& x1) {
          if (left >= right) return false;
          x0 = left, x1 = right;
          if (icw > 0 && ich > 0) RoundRectRow(left, top, right, bottom, icw, ich, y, x0, x1);
          return true;
        });
    return;
  }
  PaintRegion(rect.top, rect.bottom, [&](int64_t y, int64_t& x0, int64_t& x1) {
    RoundRectRow(rect.left, rect.top, rect.right, rect.bottom, cw, ch, y, x0, x1);
    return true;
  });
}

void Surface::DrawPolygon(std::span<const Point> points) {
  if (!bitmap_ || points.size() < 2) return;
  if (brush_.visible) {
    int64_t minY = points[0].y, maxY = points[0].y;
    for (Point p : points)
      minY = std::min<int64_t>(minY, p.y), maxY = std::max<int64_t>(maxY, p.y);
    const int64_t first = std::max<int64_t>(minY, 0);
    const int64_t last = std::min<int64_t>(maxY, bitmap_->Height());
    // The crossings of a row: on the stack for the polygons Kivu draws, on the heap for larger ones.
    constexpr size_t kInPlace = 32;
    long double inPlace[kInPlace] = {};
    std::vector<long double> onHeap(points.size() > kInPlace ? points.size() : 0);
    long double* crossings = points.size() > kInPlace ? onHeap.data() : inPlace;
    for (int64_t y = first; y < last; ++y) {
      // Sample each row through the pixel centres: the edges crossing y + 1/2, paired left to right.
      const long double yc = static_cast<long double>(y) + 0.5L;
      size_t count = 0;
      for (size_t i = 0; i < points.size(); ++i) {
        const Point a = points[i];
        const Point b = points[(i + 1) % points.size()];
        if ((a.y < yc) == (b.y < yc)) continue;
        crossings[count++] =
            a.x + (yc - a.y) * (static_cast<long double>(b.x) - a.x) / (static_cast<long double>(b.y) - a.y);
      }
      std::sort(crossings, crossings + count);
      const long double limit = static_cast<long double>(bitmap_->Width()) + 1;
      for (size_t i = 0; i + 1 < count; i += 2) {
        // Pixels whose centres lie in [left crossing, right crossing).
        const long double from = std::clamp(crossings[i] - 0.5L, -1.0L, limit);
        const long double to = std::clamp(crossings[i + 1] - 0.5L, -1.0L, limit);
        FillSpan(y, static_cast<int64_t>(std::ceil(from)), static_cast<int64_t>(std::ceil(to)),
                 brush_.color.ToPixel());
      }
    }
  }
  for (size_t i = 0; i < points.size(); ++i) {
    DrawLine(points[i], points[(i + 1) % points.size()]);
    if (WidePen()) StampPen(points[i]);
  }
}

}  // namespace kivu
