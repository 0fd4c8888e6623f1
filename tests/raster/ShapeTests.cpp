// The pixel rules of shapes: fills, lines, outlines inside the rectangle, even-odd polygons, clipping.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>

#include "platform/raster/Surface.h"
#include "raster/Pictures.h"

namespace kivu {
namespace {

using test::MakeBitmap;
using test::Picture;
using Rows = std::vector<std::string>;

constexpr Color kBack{180, 180, 180};
constexpr Color kPen{255, 0, 0};
constexpr Color kBrush{0, 0, 255};
const std::map<char, Color> kLegend{{'.', kBack}, {'P', kPen}, {'B', kBrush}};

struct Canvas {
  explicit Canvas(int w, int h) : bitmap(MakeBitmap(w, h, kBack)), surface(bitmap) {
    surface.SelectPen(Pen::Solid(kPen));
    surface.SelectBrush(Brush::Solid(kBrush));
  }
  Rows Pixels() const { return Picture(bitmap, kLegend); }
  Bitmap bitmap;
  Surface surface;
};

TEST(Fill, CoversExactlyItsRectangleRightAndBottomExcluded) {
  Canvas c(6, 4);
  c.surface.FillRect(Rect{1, 1, 4, 3}, kBrush);
  EXPECT_EQ(c.Pixels(), (Rows{"......", ".BBB..", ".BBB..", "......"}));
}

TEST(Fill, ClipsAtTheEdgesAndIgnoresEmptyAndNegativeRectangles) {
  Canvas c(5, 4);
  c.surface.FillRect(Rect{-5, -5, 2, 1}, kBrush);
  c.surface.FillRect(Rect{4, 3, INT_MAX, INT_MAX}, kPen);
  c.surface.FillRect(Rect{3, 3, 1, 1}, kBrush);  // right < left
  c.surface.FillRect(Rect{2, 2, 2, 4}, kBrush);  // empty
  EXPECT_EQ(c.Pixels(), (Rows{"BB...", ".....", ".....", "....P"}));
  c.surface.FillRect(Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, kPen);
  EXPECT_EQ(c.Pixels(), (Rows{"PPPPP", "PPPPP", "PPPPP", "PPPPP"}));
}

TEST(Line, LeavesOutItsEndPoint) {
  Canvas c(6, 5);
  c.surface.DrawLine({0, 0}, {4, 0});
  c.surface.DrawLine({5, 4}, {5, 1});
  c.surface.DrawLine({0, 1}, {3, 4});
  c.surface.DrawLine({2, 2}, {2, 2});  // no length, nothing drawn
  EXPECT_EQ(c.Pixels(), (Rows{"PPPP..", "P.....", ".P...P", "..P..P", ".....P"}));
}

TEST(Line, FollowsTheRoundedSlopeInBothDirections) {
  // Step i of a line 8 long and 3 high lies round(3i/8) away, halves rounded away from the start.
  Canvas forward(9, 4), backward(9, 4);
  forward.surface.DrawLine({0, 0}, {8, 3});
  backward.surface.DrawLine({8, 3}, {0, 0});
  for (int i = 0; i < 8; ++i) {
    const int y = int(std::floor(i * 3.0 / 8 + 0.5));
    EXPECT_EQ(forward.bitmap.ColorAt(i, y), kPen) << i;
    const int yb = 3 - int(std::floor(i * 3.0 / 8 + 0.5));
    EXPECT_EQ(backward.bitmap.ColorAt(8 - i, yb), kPen) << i;
  }
  int forwardCount = 0, backwardCount = 0;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 9; ++x) {
      forwardCount += forward.bitmap.ColorAt(x, y) == kPen;
      backwardCount += backward.bitmap.ColorAt(x, y) == kPen;
    }
  }
  EXPECT_EQ(forwardCount, 8);
  EXPECT_EQ(backwardCount, 8);
  EXPECT_EQ(forward.bitmap.ColorAt(8, 3), kBack);
  EXPECT_EQ(backward.bitmap.ColorAt(0, 0), kBack);
}

TEST(Line, PolylineDrawsEachLineInTurnAndLeavesOutOnlyTheLastPoint) {
  Canvas c(5, 4);
  const Point points[] = {{0, 0}, {3, 0}, {3, 3}, {1, 3}};
  c.surface.DrawPolyline(points);
  EXPECT_EQ(c.Pixels(), (Rows{"PPPP.", "...P.", "...P.", "..PP."}));
}

TEST(Line, CrossingTheBitmapFromFarAwayDrawsOnlyItsVisiblePixels) {
  Canvas c(4, 4);
  c.surface.DrawLine({-2000000000, -2000000000}, {2000000000, 2000000000});
  c.surface.DrawLine({INT_MIN, 3}, {INT_MAX, 3});
  EXPECT_EQ(c.Pixels(), (Rows{"P...", ".P..", "..P.", "PPPP"}));
}

TEST(Rectangle, OutlineLiesInsideAndTheBrushFillsTheRest) {
  Canvas c(7, 5);
  c.surface.DrawRect(Rect{1, 0, 6, 4});
  EXPECT_EQ(c.Pixels(), (Rows{".PPPPP.", ".PBBBP.", ".PBBBP.", ".PPPPP.", "......."}));
}

TEST(Rectangle, ThinRectanglesAreAllOutlineAndEmptyOnesDrawNothing) {
  Canvas c(5, 3);
  c.surface.DrawRect(Rect{0, 0, 2, 2});
  c.surface.DrawRect(Rect{3, 0, 4, 3});
  c.surface.DrawRect(Rect{4, 2, 4, 3});
  c.surface.DrawRect(Rect{2, 2, 0, 3});
  EXPECT_EQ(c.Pixels(), (Rows{"PP.P.", "PP.P.", "...P."}));
}

TEST(Rectangle, NullPenAndNullBrushLeaveTheirPartsAlone) {
  Canvas c(5, 4);
  c.surface.SelectPen(Pen::None());
  c.surface.DrawRect(Rect{0, 0, 5, 4});
  c.surface.SelectPen(Pen::Solid(kPen));
  c.surface.SelectBrush(Brush::None());
  c.surface.DrawRect(Rect{2, 1, 5, 4});
  EXPECT_EQ(c.Pixels(), (Rows{".....", ".BPPP", ".BPBP", "..PPP"}));
}

// Pixels of the ellipse inscribed in a box: those whose centres lie inside it, worked out in
// floating point.
bool InEllipse(double left, double top, double right, double bottom, int x, int y) {
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double rx = (right - left) / 2, ry = (bottom - top) / 2;
  const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
  return dx * dx + dy * dy <= 1 + 1e-12;
}

// Checks a drawn region against the expected one: outline = region pixels with a 4-neighbour
// outside it, brush on the rest, background outside.
template <typename Inside>
void ExpectRegion(const Bitmap& bitmap, Inside inside) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      Color expected = kBack;
      if (inside(x, y)) {
        const bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
        expected = edge ? kPen : kBrush;
      }
      ASSERT_EQ(bitmap.ColorAt(x, y), expected) << "at " << x << "," << y;
    }
  }
}

TEST(Ellipse, CoversThePixelsWhoseCentresLieInsideAndTouchesAllFourSides) {
  for (Rect r : {Rect{0, 0, 9, 7}, Rect{1, 2, 13, 10}, Rect{2, 1, 3, 8}, Rect{0, 0, 16, 16}}) {
    Canvas c(16, 16);
    c.surface.DrawEllipse(r);
    ExpectRegion(c.bitmap, [&](int x, int y) {
      return r.Contains({x, y}) && InEllipse(r.left, r.top, r.right, r.bottom, x, y);
    });
    bool top = false, bottom = false, left = false, right = false;
    for (int i = 0; i < 16; ++i) {
      top |= c.bitmap.ColorAt(i, r.top) == kPen;
      bottom |= c.bitmap.ColorAt(i, r.bottom - 1) == kPen;
      left |= c.bitmap.ColorAt(r.left, i) == kPen;
      right |= c.bitmap.ColorAt(r.right - 1, i) == kPen;
    }
    EXPECT_TRUE(top && bottom && left && right);
  }
}

TEST(RoundRect, CornersAreQuartersOfATenByTenEllipse) {
  const Rect r{1, 1, 21, 15};
  Canvas c(22, 16);
  c.surface.DrawRoundRect(r, 10, 10);
  ExpectRegion(c.bitmap, [&](int x, int y) {
    if (!r.Contains({x, y})) return false;
    // Each corner region is the matching quarter of the 10 x 10 ellipse in that corner.
    const bool leftBand = x < r.left + 5, rightBand = x >= r.right - 5;
    const bool topBand = y < r.top + 5, bottomBand = y >= r.bottom - 5;
    if (leftBand && topBand) return InEllipse(r.left, r.top, r.left + 10, r.top + 10, x, y);
    if (rightBand && topBand) return InEllipse(r.right - 10, r.top, r.right, r.top + 10, x, y);
    if (leftBand && bottomBand) return InEllipse(r.left, r.bottom - 10, r.left + 10, r.bottom, x, y);
    if (rightBand && bottomBand) return InEllipse(r.right - 10, r.bottom - 10, r.right, r.bottom, x, y);
    return true;
  });
  // The straight top edge runs along the rectangle's top row.
  EXPECT_EQ(c.bitmap.ColorAt(11, 1), kPen);
  EXPECT_EQ(c.bitmap.ColorAt(1, 1), kBack);
}

TEST(Polygon, ClosesItselfAndFillsThePixelCentresInside) {
  Canvas c(10, 10);
  const Point triangle[] = {{0, 0}, {8, 0}, {0, 8}};
  c.surface.DrawPolygon(triangle);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      // Outline: the top edge, the diagonal back to the left and the closing left edge, each without
      // its end point, which the next edge starts with.
      const bool pen = (y == 0 && x < 8) || (x + y == 8 && x >= 1) || (x == 0 && y >= 1 && y <= 8);
      const bool brush = x + y < 7;  // centres (x + .5, y + .5) strictly inside x + y < 8
      const Color expected = pen ? kPen : brush ? kBrush : kBack;
      ASSERT_EQ(c.bitmap.ColorAt(x, y), expected) << x << "," << y;
    }
  }
}

TEST(Polygon, FillsByTheEvenOddRule) {
  // An outer square and an inner one traced in the same direction: even-odd leaves the inner one empty.
  Canvas c(12, 12);
  c.surface.SelectPen(Pen::None());
  const Point path[] = {{1, 1}, {11, 1}, {11, 11}, {1, 11}, {1, 1}, {4, 4}, {8, 4}, {8, 8}, {4, 8}, {4, 4}};
  c.surface.DrawPolygon(path);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool outer = x >= 1 && x < 11 && y >= 1 && y < 11;
      const bool inner = x >= 4 && x < 8 && y >= 4 && y < 8;
      ASSERT_EQ(c.bitmap.ColorAt(x, y), outer && !inner ? kBrush : kBack) << x << "," << y;
    }
  }
}

TEST(Frame3D, TopAndLeftInOneColourBottomAndRightWithTheirCornersInTheOther) {
  Canvas c(5, 4);
  c.surface.DrawFrame3D(Rect{0, 0, 5, 4}, kPen, kBrush);
  EXPECT_EQ(c.Pixels(), (Rows{"PPPPB", "P...B", "P...B", "BBBBB"}));
  EXPECT_EQ(kColor3DDarkShadow, (Color{64, 64, 64}));
  EXPECT_EQ(kColor3DLight, (Color{227, 227, 227}));
}

// Every shape drawn on a small bitmap must give exactly the middle of the same shape drawn on a larger
// one around it: clipping changes nothing but what is cut off. And nothing lands outside the shape's
// bounding box, widened by less than the pen's width for wide pens (bands across lines, squares over
// joints). Half the rounds have one-pixel pens, the others pens 2 to 6 pixels wide.
TEST(Clipping, ShapesCutAtTheEdgesEqualTheMiddleOfTheUncutShape) {
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> coordinate(-24, 40), penWidth(2, 6);
  for (int round = 0; round < 900; ++round) {
    Canvas small(16, 16), large(48, 48);
    const int w = round % 2 == 0 ? 1 : penWidth(random);
    small.surface.SelectPen(Pen::Solid(kPen, w));
    large.surface.SelectPen(Pen::Solid(kPen, w));
    const int reach = w - 1;
    const int kind = round % 6;
    std::vector<Point> points(2 + round % 5);
    for (Point& p : points)
      p = {coordinate(random), coordinate(random)};
    auto draw = [&](Surface& s, int offset) {
      std::vector<Point> moved = points;
      for (Point& p : moved)
        p.x += offset, p.y += offset;
      const Rect r{moved[0].x, moved[0].y, moved[1].x, moved[1].y};
      switch (kind) {
        case 0:
          s.DrawRect(r);
          break;
        case 1:
          s.DrawEllipse(r);
          break;
        case 2:
          s.DrawRoundRect(r, 10, 10);
          break;
        case 3:
          s.DrawPolygon(moved);
          break;
        case 4:
          s.DrawPolyline(moved);
          break;
        case 5:
          s.FillRect(r, kBrush);
          break;
      }
    };
    draw(small.surface, 0);
    draw(large.surface, 16);
    int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
    for (Point p : points) {
      minX = std::min(minX, p.x), minY = std::min(minY, p.y);
      maxX = std::max(maxX, p.x), maxY = std::max(maxY, p.y);
    }
    for (int y = 0; y < 48; ++y) {
      for (int x = 0; x < 48; ++x) {
        const int sx = x - 16, sy = y - 16;
        if (sx >= 0 && sx < 16 && sy >= 0 && sy < 16) {
          ASSERT_EQ(small.bitmap.PixelAt(sx, sy), large.bitmap.PixelAt(x, y)) << "round " << round;
        }
        if (large.bitmap.ColorAt(x, y) != kBack) {
          ASSERT_TRUE(sx >= minX - reach && sx <= maxX + reach && sy >= minY - reach && sy <= maxY + reach)
              << "round " << round;
        }
      }
    }
  }
}

TEST(Clipping, HugeShapesAndASurfaceWithoutBitmapAreSafe) {
  Canvas c(8, 8);
  c.surface.DrawEllipse(Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
  // The middle of an ellipse that large is its inside.
  EXPECT_EQ(c.Pixels(), Rows(8, "BBBBBBBB"));
  c.surface.DrawRoundRect(Rect{INT_MIN, -4, INT_MAX, 4}, INT_MAX, INT_MIN);
  const Point far[] = {{INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MAX}};
  c.surface.DrawPolygon(far);
  c.surface.DrawRect(Rect{INT_MIN, INT_MIN, INT_MAX, 0});
  c.surface.DrawFrame3D(Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, kPen, kPen);
  EXPECT_EQ(c.bitmap.ColorAt(3, 6), kBrush);

  Surface none;
  none.FillRect(Rect{0, 0, 10, 10}, kPen);
  none.DrawEllipse(Rect{0, 0, 10, 10});
  none.DrawLine({0, 0}, {5, 5});
  none.DrawText("8", Rect{0, 0, 10, 10}, DT_LEFT);
  none.Blit({0, 0}, c.bitmap, c.bitmap.Bounds());
}

TEST(State, SaverRestoresEverythingSelectedInItsScope) {
  Canvas c(2, 2);
  const auto font = Font::Create(FontRecord{-20, 0, 400, false, "Courier New"});
  {
    SurfaceStateSaver saver(c.surface);
    c.surface.SelectPen(Pen::Solid(Color{1, 2, 3}));
    c.surface.SelectBrush(Brush::None());
    c.surface.SelectFont(font);
    c.surface.SetTextColor(Color{9, 9, 9});
    c.surface.SetBackgroundMode(BackgroundMode::Transparent);
  }
  EXPECT_EQ(c.surface.CurrentPen(), Pen::Solid(kPen));
  EXPECT_EQ(c.surface.CurrentBrush(), Brush::Solid(kBrush));
  EXPECT_NE(c.surface.CurrentFont(), font);
  EXPECT_EQ(c.surface.TextColor(), (Color{0, 0, 0}));
  EXPECT_EQ(c.surface.GetBackgroundMode(), BackgroundMode::Opaque);
  {
    ScopedSelection pen(c.surface, Pen::Solid(Color{7, 7, 7}));
    EXPECT_EQ(c.surface.CurrentPen().color, (Color{7, 7, 7}));
  }
  EXPECT_EQ(c.surface.CurrentPen(), Pen::Solid(kPen));
}

}  // namespace
}  // namespace kivu
