// Anti-aliased text: the ink blended by coverage, the glyphs' true height, crisp edges.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "platform/raster/Surface.h"
#include "raster/Pictures.h"

namespace kivu {
namespace {

using test::MakeBitmap;

constexpr Color kBlack{0, 0, 0};
constexpr Color kWhite{255, 255, 255};
constexpr Color kBack{48, 55, 48};
constexpr Color kInk{0, 255, 255};
constexpr Color kCell{1, 2, 3};

FontRecord Antialiased(FontRecord record) {
  record.antialiased = true;
  return record;
}

constexpr int kWidth = 320, kHeight = 160;

// A canvas of one colour with text drawn on it at `origin`, clipped to `clip`.
Bitmap Draw(const FontRecord& record, std::string_view text, Color ground, Color ink, Point origin,
            BackgroundMode mode = BackgroundMode::Transparent, Rect clip = Rect{0, 0, kWidth, kHeight}) {
  Bitmap bitmap = MakeBitmap(kWidth, kHeight, ground);
  Surface surface(bitmap);
  surface.SelectFont(Font::Create(record));
  surface.SetTextColor(ink);
  surface.SetBackgroundMode(mode);
  surface.SetBackgroundColor(kCell);
  surface.DrawTextAt(origin, text, clip);
  return bitmap;
}

// The ground and the ink mixed by a coverage of 255ths, each channel rounded to the nearest.
Color Mix(Color ground, Color ink, int coverage) {
  auto channel = [&](int g, int i) { return uint8_t(std::lround(g + (i - g) * coverage / 255.0)); };
  return Color{channel(ground.red, ink.red), channel(ground.green, ink.green),
               channel(ground.blue, ink.blue)};
}

// Rows of ink in a bitmap: first and last row holding a pixel other than the ground.
std::pair<int, int> InkRows(const Bitmap& b, Color ground) {
  int top = INT_MAX, bottom = INT_MIN;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      if (b.ColorAt(x, y) != ground) top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  return {top, bottom};
}

TEST(AntialiasedText, BlendsTheInkByCoverageInBothModesAndReachesItInTheStems) {
  const FontRecord upright[] = {
      {-16, 0, 400, false, ""}, {-16, 0, 400, false, "Courier New"}, {-32, 0, 700, false, ""}};
  for (const FontRecord& oneBit : upright) {
    const FontRecord record = Antialiased(oneBit);
    ASSERT_NE(Font::Create(record), Font::Create(oneBit));
    ASSERT_EQ(Font::Create(record), Font::Create(record));
    const Point origin{6, 40};
    const char* text = "Kivu 05 ÄÖ -.,:/";
    // White on black gives each pixel's coverage as it is.
    const Bitmap coverage = Draw(record, text, kBlack, kWhite, origin);
    const Bitmap coloured = Draw(record, text, kBack, kInk, origin);
    const Bitmap opaque = Draw(record, text, kBack, kInk, origin, BackgroundMode::Opaque);
    const Rect cell{origin.x, origin.y, origin.x + Font::Create(record)->TextWidth(text),
                    origin.y + Font::Create(record)->LineHeight()};
    const Rect clip{20, 44, 90, 52};
    const Bitmap clipped = Draw(record, text, kBack, kInk, origin, BackgroundMode::Transparent, clip);
    int grey = 0, full = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const Color c = coverage.ColorAt(x, y);
        ASSERT_TRUE(c.red == c.green && c.green == c.blue) << x << "," << y;
        grey += c.red > 0 && c.red < 255, full += c.red == 255;
        ASSERT_EQ(coloured.ColorAt(x, y), Mix(kBack, kInk, c.red)) << x << "," << y;
        ASSERT_EQ(opaque.ColorAt(x, y), Mix(cell.Contains({x, y}) ? kCell : kBack, kInk, c.red))
            << x << "," << y;
        ASSERT_EQ(clipped.ColorAt(x, y), clip.Contains({x, y}) ? coloured.ColorAt(x, y) : kBack)
            << x << "," << y;
      }
    }
    EXPECT_GT(grey, 20) << "the edges are blended";
    EXPECT_GT(full, 20) << "the text colour itself is reached";

    // An "H" stands on the base line as high as its one-bit self, and its two stems are solid ink
    // above the bar.
    const Bitmap h = Draw(record, "H", kBlack, kWhite, origin);
    const auto [top, bottom] = InkRows(h, kBlack);
    const auto [oneBitTop, oneBitBottom] = InkRows(Draw(oneBit, "H", kBlack, kWhite, origin), kBlack);
    EXPECT_EQ(bottom, origin.y + Font::Create(record)->Ascent() - 1);
    EXPECT_EQ(bottom, oneBitBottom);
    EXPECT_NEAR(top, oneBitTop, 1);
    const int row = top + (bottom - top) / 4;
    int stems = 0;
    for (int x = 1; x < kWidth; ++x)
      stems += h.ColorAt(x, row) == kWhite && h.ColorAt(x - 1, row) != kWhite;
    EXPECT_EQ(stems, 2) << record.faceName << " " << record.height;
  }
}

TEST(AntialiasedText, TurnedTextBlendsAndReadsUpwards) {
  const FontRecord flat = Antialiased(FontRecord{-16, 0, 400, false, ""});
  FontRecord turned = flat;
  turned.escapement = 900;
  const Bitmap up = Draw(turned, "Kivu", kBlack, kWhite, {40, 120});
  const Bitmap across = Draw(flat, "Kivu", kBlack, kWhite, {10, 10});
  const Bitmap coloured = Draw(turned, "Kivu", kBack, kInk, {40, 120});
  int upLeft = INT_MAX, upRight = INT_MIN, upTop = INT_MAX, upBottom = INT_MIN, grey = 0;
  int acrossLeft = INT_MAX, acrossRight = INT_MIN;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int c = up.ColorAt(x, y).red;
      ASSERT_EQ(coloured.ColorAt(x, y), Mix(kBack, kInk, c)) << x << "," << y;
      if (c > 0) {
        upLeft = std::min(upLeft, x), upRight = std::max(upRight, x);
        upTop = std::min(upTop, y), upBottom = std::max(upBottom, y);
        grey += c < 255;
      }
      if (across.ColorAt(x, y).red > 0)
        acrossLeft = std::min(acrossLeft, x), acrossRight = std::max(acrossRight, x);
    }
  }
  EXPECT_GT(grey, 10);
  // The word runs upwards from the reference point, as long as it runs across when upright.
  EXPECT_LT(upBottom, 120);
  EXPECT_GE(upLeft, 40);
  EXPECT_NEAR(upBottom - upTop, acrossRight - acrossLeft, 1);
}

// The mean number of in-between pixels crossed from dark to bright or back, along rows and columns:
// dark has no channel above 24, bright a luminance of 190 or more.
double MeanEdgeWidth(const Bitmap& b) {
  long between = 0, edges = 0;
  auto walk = [&](int count, auto pixel) {
    int last = 0;  // 1 dark, 2 bright
    long run = 0;
    for (int i = 0; i < count; ++i) {
      const Color c = pixel(i);
      const int lum = (299 * c.red + 587 * c.green + 114 * c.blue) / 1000;
      const int kind = std::max({c.red, c.green, c.blue}) <= 24 ? 1 : lum >= 190 ? 2 : 0;
      if (kind == 0) {
        ++run;
        continue;
      }
      if (last != 0 && kind != last) between += run, ++edges;
      last = kind, run = 0;
    }
  };
  for (int y = 0; y < b.Height(); ++y)
    walk(b.Width(), [&](int x) { return b.ColorAt(x, y); });
  for (int x = 0; x < b.Width(); ++x)
    walk(b.Height(), [&](int y) { return b.ColorAt(x, y); });
  return edges ? double(between) / double(edges) : 99;
}

TEST(AntialiasedText, EdgesStayCrispFromSmallLabelsToLargeReadouts) {
  for (const FontRecord& face :
       {FontRecord{0, 0, 400, false, "Liberation Sans"}, FontRecord{0, 0, 400, false, "Courier New"},
        FontRecord{0, 0, 700, false, ""}}) {
    for (int size : {13, 19, 27, 45}) {
      FontRecord record = Antialiased(face);
      record.height = -size;
      std::optional<Bitmap> bitmap = Bitmap::Create(size * 16, size * 2);
      ASSERT_TRUE(bitmap);
      bitmap->Fill(kBlack.ToPixel());
      Surface surface(*bitmap);
      surface.SelectFont(Font::Create(record));
      surface.SetTextColor(kWhite);
      surface.SetBackgroundMode(BackgroundMode::Transparent);
      surface.DrawText("0123456789 KMH NE agqy 12:34", bitmap->Bounds(), DT_LEFT);
      EXPECT_LT(MeanEdgeWidth(*bitmap), 0.6) << face.faceName << " " << face.weight << " " << size;
    }
  }
}

}  // namespace
}  // namespace kivu
