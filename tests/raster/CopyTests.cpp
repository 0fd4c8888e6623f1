// Copies between bitmaps, bitmap memory layout and PNG files.
#include <gtest/gtest.h>

#include <climits>

#include "platform/raster/Offscreen.h"
#include "platform/raster/Png.h"
#include "platform/raster/Surface.h"
#include "raster/Pictures.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using test::MakeBitmap;
using test::Picture;
using Rows = std::vector<std::string>;

const std::map<char, Color> kLegend{{'.', Color{180, 180, 180}}, {'K', Color{0, 0, 0}},
                                    {'k', Color{0, 0, 1}},       {'R', Color{255, 0, 0}},
                                    {'G', Color{0, 255, 0}},     {'Y', Color{255, 255, 0}}};

// A bitmap drawn from rows of legend characters.
Bitmap FromRows(const Rows& rows) {
  Bitmap b = MakeBitmap(int(rows[0].size()), int(rows.size()));
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x)
      b.SetPixelAt(x, y, kLegend.at(rows[size_t(y)][size_t(x)]).ToPixel());
  }
  return b;
}

TEST(Blit, CopiesTheSourceRectangleAndClipsAtBothBitmaps) {
  const Bitmap source = FromRows({"RG", "GY"});
  Bitmap target = FromRows({"....", "....", "...."});
  Surface s(target);
  s.Blit({1, 1}, source, source.Bounds());
  s.Blit({3, -1}, source, source.Bounds());    // half off the top and right
  s.Blit({-1, 2}, source, Rect{-1, 0, 2, 1});  // a source rectangle reaching left of the source
  s.Blit({0, 0}, source, Rect{1, 1, 1, 2});    // empty
  EXPECT_EQ(Picture(target, kLegend), (Rows{"...G", ".RG.", "RGY."}));
  s.Blit({INT_MAX, INT_MIN}, source, Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
  s.Blit({INT_MIN, INT_MAX}, source, Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
  EXPECT_EQ(Picture(target, kLegend), (Rows{"...G", ".RG.", "RGY."}));
}

TEST(Blit, ACopyWithinOneBitmapReadsThePixelsAsTheyWereBefore) {
  Bitmap b = FromRows({"RGY..", "....."});
  Surface s(b);
  s.Blit({1, 0}, b, Rect{0, 0, 3, 1});
  s.Blit({0, 1}, b, Rect{0, 0, 5, 1});
  EXPECT_EQ(Picture(b, kLegend), (Rows{"RRGY.", "RRGY."}));
}

TEST(Blit, AndKeepsOnlyTheBitsSetInBoth) {
  Bitmap target = MakeBitmap(2, 1);
  target.SetPixelAt(0, 0, 0xFF00FF00);
  target.SetPixelAt(1, 0, 0x00123456);
  Bitmap mask = MakeBitmap(2, 1);
  mask.SetPixelAt(0, 0, 0x0F0FFFFF);
  mask.SetPixelAt(1, 0, 0x00000000);
  Surface(target).Blit({0, 0}, mask, mask.Bounds(), RasterOp::SrcAnd);
  EXPECT_EQ(target.PixelAt(0, 0), 0x0F00FF00u);
  EXPECT_EQ(target.PixelAt(1, 0), 0u);
}

TEST(Blit, TransparentCopySkipsExactlyPureBlack) {
  Bitmap source = FromRows({"KkR", "KGK"});
  source.SetPixelAt(2, 1, 0xFF000000);  // black with a spare byte set is still black
  Bitmap target = FromRows({"...", "..."});
  Surface(target).BlitTransparent({0, 0}, source, source.Bounds());
  EXPECT_EQ(Picture(target, kLegend), (Rows{".kR", ".G."}));
  // Another key colour.
  Surface(target).BlitTransparent({0, 0}, FromRows({"YR"}), Rect{0, 0, 2, 1}, Color{255, 0, 0});
  EXPECT_EQ(Picture(target, kLegend), (Rows{"YkR", ".G."}));
}

TEST(Blit, StretchRepeatsOrDropsPixelsByTheirCentres) {
  const Bitmap source = FromRows({"RG", "YK"});
  Bitmap target = MakeBitmap(5, 5, Color{180, 180, 180});
  Surface s(target);
  s.StretchBlit(Rect{0, 0, 4, 4}, source, source.Bounds());
  EXPECT_EQ(Picture(target, kLegend), (Rows{"RRGG.", "RRGG.", "YYKK.", "YYKK.", "....."}));
  // Shrinking three to two takes the source pixels under the centres 0.75 and 2.25: 0 and 2.
  const Bitmap wide = FromRows({"RGY"});
  s.StretchBlit(Rect{0, 4, 2, 5}, wide, wide.Bounds());
  EXPECT_EQ(Picture(target, kLegend)[4], "RY...");
  s.StretchBlit(Rect{1, 1, 1, 3}, wide, wide.Bounds());               // empty target
  s.StretchBlit(Rect{-100, -100, 100, 100}, wide, Rect{0, 0, 0, 1});  // empty source
  EXPECT_EQ(Picture(target, kLegend)[0], "RRGG.");
  s.StretchBlit(Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, source, source.Bounds());
  // The bitmap lies in the middle of the stretched picture: under source pixel (1, 1).
  EXPECT_EQ(Picture(target, kLegend)[0], "KKKKK");
}

TEST(Bitmap, BottomUpMemoryStillAddressesRowsFromTheTop) {
  std::optional<Bitmap> b = Bitmap::Create(3, 2, RowOrder::BottomUp);
  ASSERT_TRUE(b);
  b->SetPixelAt(0, 0, 7);
  EXPECT_EQ(b->Stride(), -12);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(b->Row(0)), b->Memory() + 12);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(b->Row(1)), b->Memory());
  EXPECT_EQ(b->Memory()[12], 7);
  EXPECT_EQ(Bitmap::Create(3, 2)->Stride(), 12);
  EXPECT_EQ(b->PixelAt(2, 1), 0u);  // new bitmaps are black
}

TEST(Bitmap, ImpossibleSizesGiveNothing) {
  EXPECT_FALSE(Bitmap::Create(0, 5));
  EXPECT_FALSE(Bitmap::Create(5, -1));
  EXPECT_FALSE(Bitmap::Create(INT_MAX, INT_MAX));
  EXPECT_FALSE(Bitmap::Create(1 << 14, 1 << 14));
}

TEST(Bitmap, AnOffscreenSurfaceDrawsOnItsOwnBitmap) {
  std::unique_ptr<OffscreenSurface> offscreen = OffscreenSurface::Create(3, 2);
  ASSERT_TRUE(offscreen);
  offscreen->GetSurface().FillRect(Rect{1, 0, 9, 9}, Color{255, 0, 0});
  EXPECT_EQ(Picture(offscreen->GetBitmap(), kLegend), (Rows{"KRR", "KRR"}));
  EXPECT_FALSE(OffscreenSurface::Create(0, 2));
}

TEST(Png, WrittenBitmapsReadBackPixelForPixel) {
  test::TempDir dir;
  Bitmap b = FromRows({"RGY", "Kk."});
  b.SetPixelAt(2, 1, 0xAA123456);  // the spare byte is not kept
  ASSERT_TRUE(WritePng(b, dir / "a.png"));
  std::optional<Bitmap> back = ReadPng(dir / "a.png");
  ASSERT_TRUE(back);
  ASSERT_EQ(back->Width(), 3);
  ASSERT_EQ(back->Height(), 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(back->PixelAt(x, y), b.PixelAt(x, y) & kPixelColorMask);
  }
  const std::string bytes = test::ReadFile(dir / "a.png");
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  ASSERT_TRUE(ReadPngFromMemory({data, bytes.size()}));
  EXPECT_FALSE(ReadPngFromMemory({data, bytes.size() / 2}));
}

TEST(Png, MissingOrMalformedFilesGiveNothing) {
  test::TempDir dir;
  EXPECT_FALSE(ReadPng(dir / "missing.png"));
  test::WriteFile(dir / "bad.png", "\x89PNG\r\n\x1a\nnot really");
  EXPECT_FALSE(ReadPng(dir / "bad.png"));
  EXPECT_FALSE(WritePng(MakeBitmap(2, 2), dir / "no/such/folder/x.png"));
}

}  // namespace
}  // namespace kivu
