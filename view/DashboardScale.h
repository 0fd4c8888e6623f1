// One uniform scale from the dashboard's design units (its 572 x 384 canvas) to the window's pixels. The
// whole dashboard is drawn at the window's own resolution through it: geometry, line widths and font
// heights alike, so that nothing is magnified afterwards. At a scale of 1 every figure is the design's.
#pragma once

#include <algorithm>
#include <cmath>

#include "platform/raster/Font.h"
#include "platform/raster/Geometry.h"

namespace kivu {

struct DashboardScale {
  double factor = 1.0;

  // A design length or offset in pixels, rounded to the nearest (halves away from zero, so that
  // offsets either side of a centre stay mirror images); exact at a factor of 1.
  int operator()(double design) const { return static_cast<int>(std::lround(design * factor)); }
  // A point design units (dx, dy) from an origin in pixels.
  Point From(Point origin, double dx, double dy) const {
    return Point{origin.x + (*this)(dx), origin.y + (*this)(dy)};
  }
  // A rectangle whose design edges are given from an origin in pixels: edges, not sizes, are scaled, so
  // that rectangles that touch in the design touch on the screen.
  Rect From(Point origin, double left, double top, double right, double bottom) const {
    return Rect{origin.x + (*this)(left), origin.y + (*this)(top), origin.x + (*this)(right),
                origin.y + (*this)(bottom)};
  }
  // Lines are the scale's whole number of pixels wide, at least one.
  int LineWidth() const { return std::max(1, (*this)(1)); }
  // A font at the scale's multiple of its design height; off the design's own size its glyphs are
  // anti-aliased, since a 1-bit outline only looks right at the size it was made for.
  FontRecord Font(FontRecord record) const {
    const int design = record.height != 0 ? record.height : -kDefaultCharacterHeight;
    const int scaled = (*this)(design);
    record.height = scaled != 0 ? scaled : (design < 0 ? -1 : 1);
    record.antialiased = factor != 1.0;
    return record;
  }
};

}  // namespace kivu
