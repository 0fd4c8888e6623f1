// Text through real fonts: one-bit glyphs in the exact text colour, layout in rectangles, the
// escapement, clipping and font lookup.
#include <gtest/gtest.h>

#include <climits>

#include "platform/raster/Surface.h"
#include "raster/Pictures.h"

namespace kivu {
namespace {

using test::MakeBitmap;

constexpr Color kBack{48, 55, 48};
constexpr Color kInk{0, 255, 255};

struct Ink {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
  int count = 0;
  int Width() const { return right - left + 1; }
  int Height() const { return bottom - top + 1; }
};

Ink InkOf(const Bitmap& b) {
  Ink ink;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      if (b.ColorAt(x, y) == kBack) continue;
      ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
      ++ink.count;
    }
  }
  return ink;
}

// True when b shows exactly a's pixels moved by (dx, dy).
bool IsShifted(const Bitmap& a, const Bitmap& b, int dx, int dy) {
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      const int sx = x - dx, sy = y - dy;
      const uint32_t expected =
          sx >= 0 && sy >= 0 && sx < a.Width() && sy < a.Height() ? a.PixelAt(sx, sy) : kBack.ToPixel();
      if (b.PixelAt(x, y) != expected) return false;
    }
  }
  return true;
}

// True when `clipped` shows `whole`'s pixels inside clip and the background outside it.
bool IsClippedTo(const Bitmap& clipped, const Bitmap& whole, const Rect& clip) {
  for (int y = 0; y < whole.Height(); ++y) {
    for (int x = 0; x < whole.Width(); ++x) {
      const uint32_t expected = clip.Contains({x, y}) ? whole.PixelAt(x, y) : kBack.ToPixel();
      if (clipped.PixelAt(x, y) != expected) return false;
    }
  }
  return true;
}

struct TextCanvas {
  TextCanvas(int w, int h, const FontRecord& record = DefaultFontRecord())
      : bitmap(MakeBitmap(w, h, kBack)), surface(bitmap) {
    surface.SelectFont(Font::Create(record));
    surface.SetTextColor(kInk);
    surface.SetBackgroundMode(BackgroundMode::Transparent);
  }
  const Font& font() const { return *surface.CurrentFont(); }
  Bitmap bitmap;
  Surface surface;
};

TEST(Glyphs, EveryTextPixelIsExactlyTheTextColour) {
  for (const FontRecord& record : {DefaultFontRecord(), FontRecord{-16, 0, 400, false, "Courier New"},
                                   FontRecord{-32, 0, 700, false, ""}, FontRecord{-16, 450, 400, true, ""}}) {
    TextCanvas c(200, 100, record);
    c.surface.DrawTextAt({10, 50}, "Kivu 0123456789 ÄÖÜ -.,:/");
    const Ink ink = InkOf(c.bitmap);
    EXPECT_GT(ink.count, 50) << record.faceName;
    for (int y = 0; y < 100; ++y) {
      for (int x = 0; x < 200; ++x) {
        const Color p = c.bitmap.ColorAt(x, y);
        ASSERT_TRUE(p == kBack || p == kInk) << x << "," << y;
      }
    }
  }
}

TEST(Layout, LeftCentreAndRightAlignmentMoveTheSameLine) {
  const Rect rect{3, 2, 63, 20};
  TextCanvas left(70, 24), centre(70, 24), right(70, 24);
  left.surface.DrawText("48", rect, DT_LEFT);
  centre.surface.DrawText("48", rect, DT_CENTER);
  right.surface.DrawText("48", rect, DT_RIGHT);
  const Ink l = InkOf(left.bitmap), c = InkOf(centre.bitmap), r = InkOf(right.bitmap);
  // Right alignment moves the line by the free width; centring by half of it, rounded down.
  const int free = r.left - l.left;
  EXPECT_GT(free, 30);
  EXPECT_LE(r.right, rect.right - 1);
  EXPECT_GE(r.right, rect.right - 3);
  EXPECT_LE(l.left, rect.left + 2);
  EXPECT_TRUE(IsShifted(left.bitmap, right.bitmap, free, 0));
  EXPECT_TRUE(IsShifted(left.bitmap, centre.bitmap, free / 2, 0));
  EXPECT_EQ(c.top, l.top);
}

TEST(Layout, EachLineIsAlignedOnItsOwnAndStartsOneLineHeightLower) {
  TextCanvas both(80, 60), first(80, 60), second(80, 60);
  const Rect rect{0, 4, 80, 60};
  both.surface.DrawText("LAT \nLONG ", rect, DT_RIGHT);
  first.surface.DrawText("LAT ", rect, DT_RIGHT);
  second.surface.DrawText("LONG ", rect, DT_RIGHT);
  const int lineHeight = both.font().LineHeight();
  EXPECT_GE(lineHeight, 13);  // 12-pixel characters with room above and below
  EXPECT_LE(lineHeight, 17);
  // The two lines drawn together are the first line and the second one a line lower.
  TextCanvas expected(80, 60);
  expected.surface.DrawText("LAT ", rect, DT_RIGHT);
  expected.surface.DrawText("LONG ", Rect{0, 4 + lineHeight, 80, 60}, DT_RIGHT);
  EXPECT_TRUE(IsShifted(expected.bitmap, both.bitmap, 0, 0));
  // Trailing blanks count: both lines end left of the rectangle's right edge by a blank's width.
  EXPECT_LT(InkOf(first.bitmap).right, 80 - 2);
  EXPECT_LT(InkOf(second.bitmap).right, 80 - 2);
}

TEST(Layout, WordWrapBreaksAtTheLastBlankThatFits) {
  TextCanvas probe(10, 10);
  const int width = probe.surface.MeasureText("44 44").width;
  const Rect rect{0, 0, width + 2, 60};
  TextCanvas wrapped(60, 60), manual(60, 60), unwrapped(60, 60);
  wrapped.surface.DrawText("44 44 44", rect, DT_WORDBREAK);
  manual.surface.DrawText("44 44\n44", rect, DT_LEFT);
  unwrapped.surface.DrawText("44 44 44", rect, DT_LEFT);
  EXPECT_TRUE(IsShifted(manual.bitmap, wrapped.bitmap, 0, 0));
  EXPECT_EQ(InkOf(unwrapped.bitmap).bottom, InkOf(manual.bitmap).bottom - probe.font().LineHeight());
}

TEST(Layout, AWordWiderThanTheRectangleKeepsItsLineAndIsClipped) {
  TextCanvas c(80, 60);
  const Rect rect{10, 0, 30, 60};
  c.surface.DrawText("Sponsorship is", rect, DT_WORDBREAK);
  const Ink ink = InkOf(c.bitmap);
  EXPECT_GE(ink.left, rect.left);
  EXPECT_LE(ink.right, rect.right - 1);  // the long word runs into the clip...
  TextCanvas unclipped(80, 60);
  unclipped.surface.DrawText("Sponsorship is", rect, DT_WORDBREAK | DT_NOCLIP);
  EXPECT_GT(InkOf(unclipped.bitmap).right, rect.right);  // ...and would run past it
  TextCanvas expected(80, 60);
  expected.surface.DrawText("Sponsorship\nis", rect, DT_LEFT);
  EXPECT_TRUE(IsShifted(expected.bitmap, c.bitmap, 0, 0));
}

TEST(Layout, VerticalCentreCentresTheBlockOfLines) {
  for (const char* text : {"-12", "12\n34"}) {
    TextCanvas top(40, 60), middle(40, 60), bottom(40, 60);
    const Rect rect{0, 5, 40, 55};
    const int block = top.surface.DrawText(text, rect, DT_CENTER);
    middle.surface.DrawText(text, rect, DT_CENTER | DT_VCENTER);
    bottom.surface.DrawText(text, rect, DT_CENTER | DT_BOTTOM);
    const int lines = std::string(text).find('\n') == std::string::npos ? 1 : 2;
    EXPECT_EQ(block, lines * top.font().LineHeight());
    EXPECT_TRUE(IsShifted(top.bitmap, middle.bitmap, 0, (50 - block) / 2)) << text;
    EXPECT_TRUE(IsShifted(top.bitmap, bottom.bitmap, 0, 50 - block)) << text;
  }
}

TEST(Layout, SingleLineIgnoresLineBreaksAndWordWrap) {
  TextCanvas single(60, 40), plain(60, 40);
  single.surface.DrawText("1\n2", Rect{0, 0, 60, 40}, DT_SINGLELINE);
  plain.surface.DrawText("1\n2", Rect{0, 0, 60, 40}, DT_LEFT);
  EXPECT_LT(InkOf(single.bitmap).bottom, single.font().LineHeight());
  EXPECT_GE(InkOf(plain.bitmap).bottom, plain.font().LineHeight());
  TextCanvas narrow(60, 40);
  narrow.surface.DrawText("1 2", Rect{0, 0, 8, 40}, DT_SINGLELINE | DT_WORDBREAK | DT_NOCLIP);
  EXPECT_LT(InkOf(narrow.bitmap).bottom, narrow.font().LineHeight());
}

TEST(Layout, TextIsClippedToItsRectangleUnlessToldNotTo) {
  TextCanvas clipped(60, 40), free(60, 40);
  const Rect rect{5, 5, 20, 12};
  clipped.surface.DrawText("888888", rect, DT_LEFT);
  free.surface.DrawText("888888", rect, DT_LEFT | DT_NOCLIP);
  EXPECT_TRUE(IsClippedTo(clipped.bitmap, free.bitmap, rect));
  EXPECT_GT(InkOf(free.bitmap).right, 30);
}

TEST(Layout, DefaultFontDigitsFitTheTwelvePixelLabelBands) {
  TextCanvas c(100, 40);
  // A tape label: centred in its band, from the band's top.
  c.surface.DrawText("0123456789", Rect{0, 10, 100, 22}, DT_CENTER | DT_NOCLIP);
  const Ink ink = InkOf(c.bitmap);
  EXPECT_GE(ink.top, 10);
  EXPECT_LE(ink.bottom, 21);
  EXPECT_GE(ink.Height(), 8);  // legible digits, not a dot
  EXPECT_EQ(c.font().FamilyName(), Font::Default()->FamilyName());
}

TEST(Fonts, CourierNewResolvesToAMonospaceFaceAndUnknownFacesToTheDefault) {
  const auto courier = Font::Create(FontRecord{-16, 0, 400, false, "Courier New"});
  ASSERT_TRUE(courier);
  EXPECT_EQ(courier->TextWidth("iiii"), courier->TextWidth("MMMM"));
  EXPECT_EQ(courier->TextWidth("0"), courier->TextWidth(" "));
  EXPECT_NE(courier->FamilyName(), Font::Default()->FamilyName());
  // Courier New's advance is 0.6 em: 16-pixel characters advance 9.6 pixels, rounded by the hinting.
  EXPECT_GE(courier->TextWidth("0000000000"), 90);
  EXPECT_LE(courier->TextWidth("0000000000"), 100);

  const auto unknown = Font::Create(FontRecord{-16, 0, 400, false, "No Such Face Anywhere"});
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->FamilyName(), Font::Default()->FamilyName());
  EXPECT_GT(unknown->TextWidth("MMMM"), unknown->TextWidth("iiii"));
}

TEST(Fonts, WeightZeroIsNormalAndSevenHundredIsBold) {
  const auto normal = Font::Create(FontRecord{-16, 0, 400, false, ""});
  const auto any = Font::Create(FontRecord{-16, 0, 0, false, ""});
  const auto bold = Font::Create(FontRecord{-16, 0, 700, false, ""});
  EXPECT_EQ(any->FilePath(), normal->FilePath());
  EXPECT_NE(bold->FilePath(), normal->FilePath());
  // Bold strokes cover more pixels.
  TextCanvas thin(80, 30, normal->Record()), heavy(80, 30, bold->Record());
  thin.surface.DrawTextAt({0, 0}, "Kivu");
  heavy.surface.DrawTextAt({0, 0}, "Kivu");
  EXPECT_GT(InkOf(heavy.bitmap).count, InkOf(thin.bitmap).count);
}

TEST(Fonts, NegativeHeightIsTheCharacterHeightAndPositiveTheCellHeight) {
  for (int size : {16, 32}) {
    TextCanvas c(100, 60, FontRecord{-size, 0, 400, false, ""});
    c.surface.DrawText("H", Rect{0, 0, 100, 60}, DT_LEFT);
    // Capital letters of a sans-serif face stand about 0.73 em high.
    const Ink ink = InkOf(c.bitmap);
    EXPECT_GE(ink.Height(), int(size * 0.68)) << size;
    EXPECT_LE(ink.Height(), int(size * 0.78) + 1) << size;
    EXPECT_GT(c.font().LineHeight(), size);
  }
  for (int cell : {13, 20, 38}) {
    EXPECT_EQ(Font::Create(FontRecord{cell, 0, 400, false, ""})->LineHeight(), cell);
  }
  EXPECT_EQ(Font::Create(FontRecord{INT_MIN, 0, 400, false, ""}) != nullptr, true);
}

TEST(Escapement, NineHundredReadsUpwardsFromTheReferencePoint) {
  const FontRecord upright{-16, 0, 400, false, ""};
  FontRecord turned = upright;
  turned.escapement = 900;
  TextCanvas word(60, 120, turned), letter(60, 120, turned), flat(120, 60, upright);
  const Point origin{20, 100};
  word.surface.DrawTextAt(origin, "Kivu", word.bitmap.Bounds());
  letter.surface.DrawTextAt(origin, "K", letter.bitmap.Bounds());
  flat.surface.DrawTextAt(Point{0, 0}, "Kivu", flat.bitmap.Bounds());
  const Ink w = InkOf(word.bitmap), k = InkOf(letter.bitmap), f = InkOf(flat.bitmap);
  // The cell lies right of the reference point and above it: its top edge turned to the left.
  EXPECT_GE(w.left, origin.x);
  EXPECT_LT(w.right, origin.x + word.font().LineHeight());
  EXPECT_LT(w.bottom, origin.y);
  // The same word, turned a quarter: its ink is as tall as the upright ink is wide, and as wide as
  // that is tall (give or take the hinting's pixel).
  EXPECT_NEAR(w.Height(), f.Width(), 1);
  EXPECT_NEAR(w.Width(), f.Height(), 1);
  EXPECT_NEAR(w.left - origin.x, f.top, 1);
  // The first letter is at the bottom: the word reads upwards.
  EXPECT_EQ(k.bottom, w.bottom);
  EXPECT_GT(k.top, w.top + 10);
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 60; ++x) {
      if (letter.bitmap.ColorAt(x, y) == kInk) {
        ASSERT_EQ(word.bitmap.ColorAt(x, y), kInk);
      }
    }
  }
}

TEST(Escapement, TextAtAPointIsClippedToItsRectangle) {
  FontRecord record{-16, 900, 400, false, ""};
  TextCanvas whole(40, 120, record), clipped(40, 120, record);
  const Rect clip{0, 40, 40, 90};
  whole.surface.DrawTextAt({5, 110}, "Velmarix provides", whole.bitmap.Bounds());
  clipped.surface.DrawTextAt({5, 110}, "Velmarix provides", clip);
  EXPECT_TRUE(IsClippedTo(clipped.bitmap, whole.bitmap, clip));
  EXPECT_GT(InkOf(clipped.bitmap).count, 30);
  // Far away and off the bitmap: nothing, and no harm.
  clipped.surface.DrawTextAt({INT_MAX, INT_MIN}, "far", Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
  clipped.surface.DrawText("far", Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, DT_CENTER | DT_VCENTER);
}

TEST(Background, OpaqueModeFillsTheTextCellFirst) {
  TextCanvas c(60, 30);
  c.surface.SetBackgroundMode(BackgroundMode::Opaque);
  c.surface.SetBackgroundColor(Color{1, 2, 3});
  c.surface.DrawTextAt({4, 5}, "ab");
  const Size size = c.surface.MeasureText("ab");
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 60; ++x) {
      const bool cell = x >= 4 && x < 4 + size.width && y >= 5 && y < 5 + size.height;
      const Color p = c.bitmap.ColorAt(x, y);
      ASSERT_TRUE(cell ? (p == kInk || p == Color{1, 2, 3}) : p == kBack) << x << "," << y;
    }
  }
}

TEST(Utf8, MalformedBytesBecomeReplacementCharacters) {
  EXPECT_EQ(DecodeUtf8("a\xC3\xA9"), (std::u32string{U'a', U'\u00E9'}));
  EXPECT_EQ(DecodeUtf8("\xC3"), (std::u32string{U'\uFFFD'}));
  EXPECT_EQ(DecodeUtf8("\xC0\xAF"), (std::u32string{U'\uFFFD', U'\uFFFD'}));
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), (std::u32string(3, U'\uFFFD')));
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x9A\x97"), (std::u32string{U'\U0001F697'}));
}

}  // namespace
}  // namespace kivu
