// Bilinear scaling and rotation, compared with the integer and fixed-point formulas worked out here.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/raster/Surface.h"
#include "view/Bilinear.h"

namespace kivu {
namespace {

using detail::ScaleKernel;

void MakeDib(CDib& dib, int w, int h) {
  if (!dib.Create(w, h)) throw std::runtime_error("no image");
}

uint32_t& At(CDib& dib, int x, int y) {
  return reinterpret_cast<uint32_t*>(dib.bits + y * dib.stride)[x];
}
uint32_t At(const CDib& dib, int x, int y) {
  return reinterpret_cast<const uint32_t*>(dib.bits + y * dib.stride)[x];
}

void FillRandom(CDib& dib, unsigned seed) {
  std::mt19937 random(seed);
  for (int y = 0; y < dib.height; ++y) {
    for (int x = 0; x < dib.width; ++x)
      At(dib, x, y) = uint32_t(random());
  }
}

// The scaling formula, byte by byte: value = (sum of the four samples times their weights + D/2) / D.
uint32_t ScaledPixel(const CDib& src, int wd, int hd, int i, int j) {
  const uint64_t X = uint64_t(wd - 1), Y = uint64_t(hd - 1);
  const uint64_t r = uint64_t(i) * uint64_t(src.height - 1) / Y,
                 ry = uint64_t(i) * uint64_t(src.height - 1) % Y;
  const uint64_t c = uint64_t(j) * uint64_t(src.width - 1) / X,
                 rx = uint64_t(j) * uint64_t(src.width - 1) % X;
  const int lowerRow = int(ry > 0 ? r + 1 : r), rightColumn = int(rx > 0 ? c + 1 : c);
  const uint32_t ul = At(src, int(c), int(r)), ur = At(src, rightColumn, int(r));
  const uint32_t ll = At(src, int(c), lowerRow), lr = At(src, rightColumn, lowerRow);
  uint32_t pixel = 0;
  for (int b = 0; b < 4; ++b) {
    auto byte = [b](uint32_t p) { return uint64_t((p >> (8 * b)) & 0xFF); };
    const uint64_t value = ((X - rx) * (Y - ry) * byte(ul) + rx * (Y - ry) * byte(ur) +
                            (X - rx) * ry * byte(ll) + rx * ry * byte(lr) + X * Y / 2) /
                           (X * Y);
    pixel |= uint32_t(value) << (8 * b);
  }
  return pixel;
}

TEST(Scale, EveryKernelGivesTheIntegerFormulaBitForBit) {
  struct Case {
    int ws, hs, wd, hd;
  };
  const Case cases[] = {{2, 2, 3, 3},  {572, 384, 800, 480}, {572, 384, 1920, 1080},
                        {5, 7, 13, 2}, {9, 9, 4, 3},         {1, 1, 4, 4},
                        {3, 1, 7, 5},  {572, 384, 801, 479}, {40, 30, 1023, 9}};
  unsigned seed = 1;
  for (const Case& k : cases) {
    CDib source;
    MakeDib(source, k.ws, k.hs);
    // A scaler kept from one scale to the next (as the paint keeps one) must not carry anything of
    // one source over into the next: each kernel scales a fresh picture through it.
    BilinearScaler kept;
    for (ScaleKernel kernel : {ScaleKernel::Best, ScaleKernel::Portable, ScaleKernel::Plain}) {
      FillRandom(source, seed++);
      CDib destination, again;
      MakeDib(destination, k.wd, -k.hd);
      MakeDib(again, k.wd, k.hd);
      ASSERT_EQ(detail::ScaleBilinearWith(destination, source, kernel), 0);
      ASSERT_EQ(kept.Scale(again, source, kernel), 0);
      for (int i = 0; i < k.hd; ++i) {
        for (int j = 0; j < k.wd; ++j)
          ASSERT_EQ(At(again, j, i), At(destination, j, i)) << "kept scaler, kernel " << int(kernel);
      }
      for (int i = 0; i < k.hd; ++i) {
        for (int j = 0; j < k.wd; ++j) {
          ASSERT_EQ(At(destination, j, i), ScaledPixel(source, k.wd, k.hd, i, j))
              << k.ws << "x" << k.hs << " to " << k.wd << "x" << k.hd << " kernel " << int(kernel) << " at "
              << j << "," << i;
        }
      }
    }
  }
}

TEST(Scale, ATwoByTwoSourceInterpolatesAsWorkedOutByHand) {
  CDib source;
  MakeDib(source, 2, 2);
  At(source, 0, 0) = 0x00000000;
  At(source, 1, 0) = 0x0000000A;
  At(source, 0, 1) = 0x00000014;
  At(source, 1, 1) = 0xFF00001F;
  CDib destination;
  MakeDib(destination, 3, 3);
  ASSERT_EQ(ScaleBilinear(destination, source), 0);
  // D = 4; the middle column and row take both neighbours with weight 1 each (of 2).
  EXPECT_EQ(At(destination, 0, 0), 0x00000000u);
  EXPECT_EQ(At(destination, 1, 0), 0x00000005u);  // (0*2 + 10*2 + 2) / 4 = 5
  EXPECT_EQ(At(destination, 0, 1), 0x0000000Au);  // (0*2 + 20*2 + 2) / 4 = 10
  EXPECT_EQ(At(destination, 1, 1), 0x4000000Fu);  // (0 + 10 + 20 + 31 + 2) / 4 = 15; (255 + 2) / 4 = 64
  EXPECT_EQ(At(destination, 2, 2), 0xFF00001Fu);
}

TEST(Scale, CornersEqualTheSourcesAndTheSameSizeCopies) {
  CDib source;
  MakeDib(source, 57, 38);
  FillRandom(source, 99);
  CDib larger, same;
  MakeDib(larger, 200, 90), MakeDib(same, 57, -38);
  ASSERT_EQ(ScaleBilinear(larger, source), 0);
  ASSERT_EQ(ScaleBilinear(same, source), 0);
  EXPECT_EQ(At(larger, 0, 0), At(source, 0, 0));
  EXPECT_EQ(At(larger, 199, 0), At(source, 56, 0));
  EXPECT_EQ(At(larger, 0, 89), At(source, 0, 37));
  EXPECT_EQ(At(larger, 199, 89), At(source, 56, 37));
  for (int y = 0; y < 38; ++y) {
    for (int x = 0; x < 57; ++x)
      ASSERT_EQ(At(same, x, y), At(source, x, y));
  }
}

TEST(Scale, RefusesImagesItWouldDivideByZeroOn) {
  CDib source, thin, low, empty;
  MakeDib(source, 4, 4), MakeDib(thin, 1, 5), MakeDib(low, 5, 1);
  FillRandom(source, 3);
  At(thin, 0, 0) = 0x123456;
  EXPECT_EQ(ScaleBilinear(thin, source), -1);
  EXPECT_EQ(ScaleBilinear(low, source), -1);
  EXPECT_EQ(ScaleBilinear(empty, source), -1);
  EXPECT_EQ(ScaleBilinear(source, empty), -1);
  EXPECT_EQ(At(thin, 0, 0), 0x123456u);
}

// floor(n m / 2^s) is non-decreasing in n and never below floor(n / d) (m >= 2^s / d), so it equals
// floor(n / d) everywhere in a block q d .. q d + d - 1 exactly when it does at the block's last n.
void ExpectExactOverTheWholeRange(uint64_t d) {
  const uint64_t largest = 255 * d + d / 2;
  const detail::ExactDivider divider = detail::MakeExactDivider(d, largest);
  if (!divider.valid) return;
  for (uint64_t q = 0; q * d <= largest; ++q) {
    const uint64_t n = std::min(q * d + d - 1, largest);
    ASSERT_EQ(divider.Divide(uint32_t(n)), n / d) << "d " << d << " n " << n;
    ASSERT_EQ(divider.Divide(uint32_t(q * d)), q) << "d " << d;
  }
}

TEST(Scale, TheMultiplyShiftDivisionIsExactForEveryNumerator) {
  // The dashboard's sizes: every numerator, one by one, for 800 x 480.
  const uint64_t d800 = 799 * 479;
  const detail::ExactDivider divider = detail::MakeExactDivider(d800, 255 * d800 + d800 / 2);
  ASSERT_TRUE(divider.valid);
  for (uint64_t n = 0; n <= 255 * d800 + d800 / 2; ++n) {
    if (divider.Divide(uint32_t(n)) != n / d800) FAIL() << "n " << n;
  }
  // By blocks: 1920 x 1080, 4K, every divisor up to 50 000 and a spread of screen sizes.
  ASSERT_TRUE(detail::MakeExactDivider(1919 * 1079, 256 * 1919 * 1079).valid);
  ExpectExactOverTheWholeRange(1919 * 1079);
  ExpectExactOverTheWholeRange(3839 * 2159);
  for (uint64_t d = 2; d <= 50000; ++d)
    ExpectExactOverTheWholeRange(d);
  std::mt19937 random(7);
  for (int k = 0; k < 3000; ++k) {
    ExpectExactOverTheWholeRange(uint64_t(random() % 4095 + 1) * (random() % 4095 + 1));
  }
}

// The rotation's sampling as described: column and row pairs, (-1, 0) at the first column and row,
// the fill colour outside; then 16.16 blends of the first three bytes.
uint32_t Sample(const CDib& src, int64_t sx, int64_t sy, uint32_t fill) {
  const int64_t x = sx >> 16, y = sy >> 16, fx = sx & 0xFFFF, fy = sy & 0xFFFF;
  if (sx < 0 || sy < 0 || x >= src.width || y >= src.height) return fill;
  auto p = [&](int64_t px, int64_t py) {
    return px < 0 || py < 0 || px >= src.width || py >= src.height ? fill : At(src, int(px), int(py));
  };
  const int64_t left = x == 0 ? -1 : x, top = y == 0 ? -1 : y;
  uint32_t out = 0;
  for (int b = 0; b < 3; ++b) {
    auto byte = [b](uint32_t v) { return int64_t((v >> (8 * b)) & 0xFF); };
    const int64_t upper = (byte(p(left, top)) * (65536 - fx) + byte(p(left + 1, top)) * fx) >> 16;
    const int64_t lower = (byte(p(left, top + 1)) * (65536 - fx) + byte(p(left + 1, top + 1)) * fx) >> 16;
    out |= uint32_t((upper * (65536 - fy) + lower * fy) >> 16) << (8 * b);
  }
  return out;
}

TEST(Rotate, EveryPixelIsTheFixedPointFormulasSample) {
  const uint32_t fill = 0x00102030;  // RGB(16, 32, 48)
  for (auto [w, h] : {std::pair{13, 9}, std::pair{290, 290}, std::pair{4, 7}}) {
    CDib source;
    MakeDib(source, w, h);
    FillRandom(source, unsigned(w * h));
    for (double angle : {17.0, 45.0, 90.0, -90.0, 180.0, 3.5, -123.25}) {
      std::unique_ptr<CDib> result;
      ASSERT_EQ(RotateBilinear(source, angle, Color{16, 32, 48}, result), 1);
      const double t = angle * 3.141592653 / 180, s = std::sin(t), c = std::cos(t);
      const int W = int(std::fabs(h * s) + std::fabs(w * c)), H = int(std::fabs(w * s) + std::fabs(h * c));
      ASSERT_EQ(result->width, W);
      ASSERT_EQ(result->height, H);
      ASSERT_LT(result->stride, 0);  // bottom-up rows
      const int64_t dxc = int64_t(c * 65536), dxs = int64_t(s * 65536), dns = int64_t(-s * 65536);
      const int64_t sx0 = int64_t((w / 2.0 - (W / 2.0) * c + (H / 2.0) * s) * 65536);
      const int64_t sy0 = int64_t((h / 2.0 - (H / 2.0) * c - (W / 2.0) * s) * 65536);
      // And the same through each kind of rows the processor has: whichever runs, the same pixels.
      const detail::RotateSteps steps{sx0, sy0, dxc, dxs, dns};
      CDib portable, sse41, avx2;
      MakeDib(portable, W, H);
      MakeDib(sse41, W, H);
      MakeDib(avx2, W, H);
      detail::RotateRows(source, portable, steps, fill);
      if (detail::HasSse41()) detail::RotateRowsSse41(source, sse41, steps, fill);
      if (detail::CanRotateRowsAvx2(source)) detail::RotateRowsAvx2(source, avx2, steps, fill);
      for (int Y = 0; Y < H; ++Y) {
        for (int X = 0; X < W; ++X) {
          const uint32_t expected = Sample(source, sx0 + X * dxc + Y * dns, sy0 + X * dxs + Y * dxc, fill);
          ASSERT_EQ(At(*result, X, Y), expected)
              << w << "x" << h << " by " << angle << " at " << X << "," << Y;
          ASSERT_EQ(At(portable, X, Y), expected)
              << w << "x" << h << " by " << angle << " at " << X << "," << Y;
          if (detail::HasSse41()) {
            ASSERT_EQ(At(sse41, X, Y), expected) << "SSE4.1 at " << X << "," << Y;
          }
          if (detail::CanRotateRowsAvx2(source)) {
            ASSERT_EQ(At(avx2, X, Y), expected) << "AVX2 at " << X << "," << Y;
          }
        }
      }
    }
  }
}

TEST(Rotate, TheCentreStraightIntoAnImageIsTheRotatedImagesCentre) {
  // What the attitude ball did before it kept its layers: rotate into a new image, then copy that
  // image's centre over a copy of the source. Squares and oblongs whose turned image is smaller
  // than the source on a side (13 x 9 by 90 degrees is 9 x 13) too.
  for (auto [w, h] : {std::pair{290, 290}, std::pair{13, 9}, std::pair{4, 7}}) {
    CDib source;
    MakeDib(source, w, h);
    FillRandom(source, unsigned(w + h));
    for (double angle : {0.0, 17.0, 45.0, 90.0, -90.0, 180.0, -123.25, 1e-9}) {
      CDib expected;
      MakeDib(expected, w, h);
      Surface(*expected.bitmap).Blit(Point{0, 0}, *source.bitmap, source.bitmap->Bounds());
      std::unique_ptr<CDib> rotated;
      ASSERT_EQ(RotateBilinear(source, angle, Color{16, 32, 48}, rotated), 1);
      const int ox = (rotated->width - w) / 2, oy = (rotated->height - h) / 2;
      Surface(*expected.bitmap).Blit(Point{0, 0}, *rotated->bitmap, Rect{ox, oy, ox + w, oy + h});

      CDib centre;
      MakeDib(centre, w, -h);
      FillRandom(centre, 99);  // whatever the image held before
      ASSERT_EQ(RotateBilinearCentre(source, angle, Color{16, 32, 48}, centre), 1);
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(At(centre, x, y), At(expected, x, y))
              << w << "x" << h << " by " << angle << " at " << x << "," << y;
      }
    }
  }
}

TEST(Rotate, SizesOfTheRotatedBall) {
  CDib ball;
  MakeDib(ball, 290, 290);
  FillRandom(ball, 5);
  for (auto [angle, size] :
       {std::pair{0.0, 290}, std::pair{90.0, 290}, std::pair{-90.0, 290}, std::pair{45.0, 410}}) {
    std::unique_ptr<CDib> result;
    ASSERT_EQ(RotateBilinear(ball, angle, Color{}, result), 1);
    EXPECT_EQ(result->width, size) << angle;
    EXPECT_EQ(result->height, size) << angle;
  }
}

TEST(Rotate, ZeroDegreesCopiesTheImageUnchanged) {
  CDib source;
  MakeDib(source, 7, -5);
  FillRandom(source, 11);
  std::unique_ptr<CDib> result;
  ASSERT_EQ(RotateBilinear(source, 0.0, Color{255, 0, 0}, result), 1);
  ASSERT_EQ(result->width, 7);
  ASSERT_EQ(result->height, 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x)
      ASSERT_EQ(At(*result, x, y), At(source, x, y));
  }
}

TEST(Rotate, TheFirstColumnBlendsWithTheFillAndTheSecondIsExact) {
  CDib source;
  MakeDib(source, 3, 3);
  At(source, 0, 1) = 0x00C86432;  // RGB(200, 100, 50)
  At(source, 1, 1) = 0x00FFFFFF;
  const uint32_t fill = 0x00000000;
  // Column 0 at fraction 0.5, row 1 exactly: half the fill, half the pixel.
  EXPECT_EQ(detail::RotateSample(source.bits, source.stride, 3, 3, 0x8000, 0x10000, fill), 0x00643219u);
  // Column 1 at fraction 0: the pixel of column 1 exactly.
  EXPECT_EQ(detail::RotateSample(source.bits, source.stride, 3, 3, 0x10000, 0x10000, fill), 0x00FFFFFFu);
  // Outside on any side: the fill colour.
  EXPECT_EQ(detail::RotateSample(source.bits, source.stride, 3, 3, -1, 0x10000, 0x00ABCDEF), 0x00ABCDEFu);
  EXPECT_EQ(detail::RotateSample(source.bits, source.stride, 3, 3, 0x30000, 0x10000, 0x00ABCDEF),
            0x00ABCDEFu);
  // The last column pairs with the fill beyond it.
  At(source, 2, 1) = 0x00FF0000;
  EXPECT_EQ(detail::RotateSample(source.bits, source.stride, 3, 3, 0x28000, 0x10000, 0x000000FF),
            0x007F007Fu);
}

TEST(Rotate, RefusesImagesWithoutPixelsAndAnglesThatAreNotNumbers) {
  CDib empty, source;
  MakeDib(source, 3, 3);
  std::unique_ptr<CDib> result;
  EXPECT_EQ(RotateBilinear(empty, 10, Color{}, result), 0);
  EXPECT_EQ(RotateBilinear(source, std::nan(""), Color{}, result), 0);
  EXPECT_EQ(RotateBilinear(source, INFINITY, Color{}, result), 0);
  EXPECT_EQ(result, nullptr);
}

}  // namespace
}  // namespace kivu
