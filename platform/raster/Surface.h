// A drawing surface on a bitmap with the drawing state Kivu's paint code uses: a selected pen, brush
// and font, a text colour and a background mode. Every call clips to the bitmap: any coordinates are
// safe, and nothing outside the bitmap is ever written.
#pragma once

#include <memory>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/raster/Bitmap.h"
#include "platform/raster/Font.h"
#include "platform/raster/Geometry.h"

namespace kivu {

// A solid pen, one pixel wide unless told otherwise, or no pen.
struct Pen {
  Color color{};
  bool visible = true;
  // Pixels across a line, and the depth of a shape's outline; less than 1 counts as 1.
  int width = 1;
  static constexpr Pen Solid(Color c, int width = 1) { return Pen{c, true, width}; }
  static constexpr Pen None() { return Pen{{}, false}; }
  friend constexpr bool operator==(const Pen&, const Pen&) = default;
};

// A solid brush, or no brush (shapes then keep their inside).
struct Brush {
  Color color{255, 255, 255};
  bool visible = true;
  static constexpr Brush Solid(Color c) { return Brush{c, true}; }
  static constexpr Brush None() { return Brush{{}, false}; }
  friend constexpr bool operator==(const Brush&, const Brush&) = default;
};

enum class BackgroundMode { Transparent, Opaque };

// How a copy combines source and destination pixels.
enum class RasterOp {
  SrcCopy,  // the source replaces the destination
  SrcAnd,   // destination AND source, all four bytes
};

// Text layout requests, with the values Kivu's paint code has always used.
constexpr unsigned DT_LEFT = 0x00;
constexpr unsigned DT_CENTER = 0x01;
constexpr unsigned DT_RIGHT = 0x02;
constexpr unsigned DT_VCENTER = 0x04;  // centres the block of lines vertically (one line or more)
constexpr unsigned DT_BOTTOM = 0x08;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;  // one line: neither "\n" nor DT_WORDBREAK breaks it
constexpr unsigned DT_NOCLIP = 0x100;

class Surface {
 public:
  // A surface with no bitmap selected: it draws nothing until one is.
  Surface() = default;
  explicit Surface(Bitmap& bitmap) : bitmap_(&bitmap) {}
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // Selects a bitmap (or none) to draw on; returns the one selected before.
  Bitmap* SelectBitmap(Bitmap* bitmap) noexcept { return std::exchange(bitmap_, bitmap); }
  Bitmap* SelectedBitmap() const noexcept { return bitmap_; }

  // Each Select returns what was selected before, so that it can be selected back.
  Pen SelectPen(Pen pen) noexcept { return std::exchange(pen_, pen); }
  Brush SelectBrush(Brush brush) noexcept { return std::exchange(brush_, brush); }
  // A null font selects the default font.
  std::shared_ptr<const Font> SelectFont(std::shared_ptr<const Font> font);
  Color SetTextColor(Color c) noexcept { return std::exchange(textColor_, c); }
  BackgroundMode SetBackgroundMode(BackgroundMode m) noexcept { return std::exchange(backgroundMode_, m); }
  Color SetBackgroundColor(Color c) noexcept { return std::exchange(backgroundColor_, c); }

  Pen CurrentPen() const noexcept { return pen_; }
  Brush CurrentBrush() const noexcept { return brush_; }
  // The selected font; the default font when none was selected.
  const std::shared_ptr<const Font>& CurrentFont() const;
  Color TextColor() const noexcept { return textColor_; }
  BackgroundMode GetBackgroundMode() const noexcept { return backgroundMode_; }
  Color BackgroundColor() const noexcept { return backgroundColor_; }

  // Back to a fresh surface's state: black pen, white brush, default font, black text on an opaque
  // white background. The selected bitmap stays.
  void ResetState() noexcept;

  // Shapes. Outlines are drawn with the pen inside the rectangle (touching left, top, right - 1 and
  // bottom - 1), as deep as the pen is wide; insides are filled with the brush.
  void FillRect(const Rect& rect, Color color);
  // A line from `from` towards `to`, the end point itself not drawn. A wide pen draws a band of that
  // width across the line, centred on the one-pixel line and cut square at both ends.
  void DrawLine(Point from, Point to);
  // Lines through the points in turn; the last point is not drawn. A wide pen also covers each inner
  // point with a square as wide as the pen, so that the joints have no gaps.
  void DrawPolyline(std::span<const Point> points);
  void DrawRect(const Rect& rect);
  // Corners are quarters of an ellipse cornerWidth wide and cornerHeight high.
  void DrawRoundRect(const Rect& rect, int cornerWidth, int cornerHeight);
  void DrawEllipse(const Rect& rect);
  // Closes itself; the inside is filled by the alternate (even-odd) rule, the edges are drawn as lines.
  void DrawPolygon(std::span<const Point> points);
  // A one-pixel frame: top and left edges in one colour, bottom and right edges in the other.
  void DrawFrame3D(const Rect& rect, Color topLeft, Color bottomRight);

  // Text in the selected font and text colour. DrawText lays lines out in the rectangle by the DT_
  // flags and clips to it (unless DT_NOCLIP); it returns the height of the text block.
  int DrawText(std::string_view text, const Rect& rect, unsigned flags);
  // One line with the top-left corner of its cell at `origin` (turned by the font's escapement about
  // that point), clipped to `clip`.
  void DrawTextAt(Point origin, std::string_view text, const Rect& clip);
  void DrawTextAt(Point origin, std::string_view text);
  // Width of a line along its base line and the font's line height.
  Size MeasureText(std::string_view text) const;

  // Copies the source rectangle with its top-left corner at `to`. The source may be this surface's
  // own bitmap, overlapping or not.
  void Blit(Point to, const Bitmap& source, const Rect& sourceRect, RasterOp op = RasterOp::SrcCopy);
  // Like Blit, but source pixels whose colour is exactly `key` (the spare byte aside) are skipped.
  void BlitTransparent(Point to, const Bitmap& source, const Rect& sourceRect, Color key = Color{0, 0, 0});
  // Stretches or shrinks the source rectangle to the destination (nearest pixel); nothing is drawn
  // when either rectangle is empty.
  void StretchBlit(const Rect& to, const Bitmap& source, const Rect& sourceRect,
                   RasterOp op = RasterOp::SrcCopy);

 private:
  // Outlines with the pen the pixels of the shape that touch its outside, fills the rest with the brush.
  // spanOf(y, x0, x1) gives row y's part of the shape, [x0, x1), and false when the row has none.
  template <typename SpanOfRow>
  void PaintRegion(int64_t top, int64_t bottom, const SpanOfRow& spanOf);
  // Outlines with a wide pen the band between a shape and the same shape inset by the pen's width
  // (rows [innerTop, innerBottom), spans from innerOf), and fills the inset shape with the brush.
  template <typename OuterOfRow, typename InnerOfRow>
  void PaintBand(int64_t top, int64_t bottom, const OuterOfRow& outerOf, int64_t innerTop,
                 int64_t innerBottom, const InnerOfRow& innerOf);
  int PenWidth() const noexcept { return pen_.width > 1 ? pen_.width : 1; }
  bool WidePen() const noexcept { return pen_.visible && pen_.width > 1; }
  void FillSpan(int64_t y, int64_t x0, int64_t x1, uint32_t pixel);
  void DrawLineRaw(Point from, Point to, int width, uint32_t pixel);
  // A square as wide as the pen, placed over a point as a wide line's band is over its pixels.
  void StampPen(Point at);
  void DrawGlyphs(std::string_view text, int64_t originX, int64_t originY, const Rect& clip);

  Bitmap* bitmap_ = nullptr;
  Pen pen_ = Pen::Solid(Color{0, 0, 0});
  Brush brush_ = Brush::Solid(Color{255, 255, 255});
  std::shared_ptr<const Font> font_;
  mutable std::shared_ptr<const Font> defaultFont_;
  Color textColor_{0, 0, 0};
  BackgroundMode backgroundMode_ = BackgroundMode::Opaque;
  Color backgroundColor_{255, 255, 255};
};

// Saves a surface's pen, brush, font, colours and background mode, and restores them when it goes,
// however the drawing in between ends.
class SurfaceStateSaver {
 public:
  explicit SurfaceStateSaver(Surface& surface)
      : surface_(surface),
        pen_(surface.CurrentPen()),
        brush_(surface.CurrentBrush()),
        font_(surface.CurrentFont()),
        textColor_(surface.TextColor()),
        backgroundMode_(surface.GetBackgroundMode()),
        backgroundColor_(surface.BackgroundColor()) {}
  ~SurfaceStateSaver() {
    surface_.SelectPen(pen_);
    surface_.SelectBrush(brush_);
    surface_.SelectFont(font_);
    surface_.SetTextColor(textColor_);
    surface_.SetBackgroundMode(backgroundMode_);
    surface_.SetBackgroundColor(backgroundColor_);
  }
  SurfaceStateSaver(const SurfaceStateSaver&) = delete;
  SurfaceStateSaver& operator=(const SurfaceStateSaver&) = delete;

 private:
  Surface& surface_;
  Pen pen_;
  Brush brush_;
  std::shared_ptr<const Font> font_;
  Color textColor_;
  BackgroundMode backgroundMode_;
  Color backgroundColor_;
};

// Selects a pen, brush or font for a scope and selects the previous one back at its end.
template <typename T>
class ScopedSelection {
 public:
  ScopedSelection(Surface& s, T selection) : surface_(s), previous_(Select(s, std::move(selection))) {}
  ~ScopedSelection() { Select(surface_, std::move(previous_)); }
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;

 private:
  static T Select(Surface& s, T selection) {
    if constexpr (std::is_same_v<T, Pen>) {
      return s.SelectPen(selection);
    } else if constexpr (std::is_same_v<T, Brush>) {
      return s.SelectBrush(selection);
    } else {
      return s.SelectFont(std::move(selection));
    }
  }

  Surface& surface_;
  T previous_;
};

}  // namespace kivu
