// Bilinear scaling and rotation on every kernel path this processor has, compared pixel by pixel
// with the integer and fixed-point formulas worked out here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "platform/raster/Bilinear.h"
#include "platform/raster/Surface.h"

namespace kivu {
namespace {

// Each path this build and processor can run, named for the messages; Best is whichever of them it is.
std::vector<PixelKernel> Kernels() {
  std::vector<PixelKernel> kernels;
  for (PixelKernel k : {PixelKernel::Portable, PixelKernel::Sse41, PixelKernel::Avx2, PixelKernel::Neon}) {
    if (HasPixelKernel(k)) kernels.push_back(k);
  }
  return kernels;
}

Bitmap MakeImage(int w, int h, RowOrder order = RowOrder::TopDown) {
  std::optional<Bitmap> bitmap = Bitmap::Create(w, h, order);
  if (!bitmap) throw std::runtime_error("no image");
  return std::move(*bitmap);
}

// Noise: no two neighbours alike, every byte used (the spare one too).
void FillRandom(Bitmap& image, unsigned seed) {
  std::mt19937 random(seed);
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x)
      image.SetPixelAt(x, y, uint32_t(random()));
  }
}

// What a dashboard looks like to the kernels: blocks of one colour (a few colours, so that blocks of
// the same colour meet), thin lines, and stray pixels that differ from their block in one byte.
void FillBlocky(Bitmap& image, unsigned seed) {
  std::mt19937 random(seed);
  const uint32_t colours[] = {0x00B4B4B4, 0x00303730, 0x00007070, 0x006F4701, 0xFF007070, 0x00FFFFFF};
  auto colour = [&] { return colours[random() % std::size(colours)]; };
  image.Fill(colour());
  const int w = image.Width(), h = image.Height();
  for (int k = 0; k < 12; ++k) {
    const int x0 = int(random() % unsigned(w)), y0 = int(random() % unsigned(h));
    const int x1 = std::min(w, x0 + 1 + int(random() % unsigned(w))),
              y1 = std::min(h, y0 + 1 + int(random() % unsigned(h)));
    const uint32_t c = colour();
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x)
        image.SetPixelAt(x, y, c);
    }
  }
  for (int k = 0; k < w * h / 200 + 2; ++k) {
    const int x = int(random() % unsigned(w)), y = int(random() % unsigned(h));
    image.SetPixelAt(x, y, image.PixelAt(x, y) ^ (1u << (random() % 32)));
  }
}

// The scaling formula, byte by byte: value = (sum of the four samples times their weights + D/2) / D.
uint32_t ScaledPixel(const Bitmap& src, int wd, int hd, int i, int j) {
  const uint64_t X = uint64_t(wd - 1), Y = uint64_t(hd - 1);
  const uint64_t r = uint64_t(i) * uint64_t(src.Height() - 1) / Y,
                 ry = uint64_t(i) * uint64_t(src.Height() - 1) % Y;
  const uint64_t c = uint64_t(j) * uint64_t(src.Width() - 1) / X,
                 rx = uint64_t(j) * uint64_t(src.Width() - 1) % X;
  const int lowerRow = int(ry > 0 ? r + 1 : r), rightColumn = int(rx > 0 ? c + 1 : c);
  const uint32_t ul = src.PixelAt(int(c), int(r)), ur = src.PixelAt(rightColumn, int(r));
  const uint32_t ll = src.PixelAt(int(c), lowerRow), lr = src.PixelAt(rightColumn, lowerRow);
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
  const Case cases[] = {{2, 2, 3, 3},      {572, 384, 800, 480}, {572, 384, 1920, 1080}, {5, 7, 13, 2},
                        {9, 9, 4, 3},      {1, 1, 4, 4},         {3, 1, 7, 5},           {572, 384, 801, 479},
                        {40, 30, 1023, 9}, {572, 384, 480, 300}, {64, 48, 64, 48}};
  unsigned seed = 1;
  for (const Case& k : cases) {
    Bitmap source = MakeImage(k.ws, k.hs);
    // A scaler kept from one scale to the next (as the paint keeps one) must not carry anything of one
    // source over into the next: each kernel scales fresh pictures through it, noise and blocks.
    BilinearScaler kept;
    for (PixelKernel kernel : Kernels()) {
      for (bool blocky : {false, true}) {
        blocky ? FillBlocky(source, seed++) : FillRandom(source, seed++);
        Bitmap destination = MakeImage(k.wd, k.hd), again = MakeImage(k.wd, k.hd, RowOrder::BottomUp);
        FillRandom(again, 5);  // whatever the window held before
        ASSERT_EQ(ScaleBilinear(PixelRows::Of(destination), PixelRows::Of(source), kernel), 0);
        ASSERT_EQ(kept.Scale(PixelRows::Of(again), PixelRows::Of(source), kernel), 0);
        for (int i = 0; i < k.hd; ++i) {
          for (int j = 0; j < k.wd; ++j) {
            const uint32_t expected = ScaledPixel(source, k.wd, k.hd, i, j);
            ASSERT_EQ(destination.PixelAt(j, i), expected)
                << k.ws << "x" << k.hs << " to " << k.wd << "x" << k.hd << " " << PixelKernelName(kernel)
                << (blocky ? " blocks" : " noise") << " at " << j << "," << i;
            ASSERT_EQ(again.PixelAt(j, i), expected) << "kept scaler, " << PixelKernelName(kernel);
          }
        }
      }
    }
  }
}

TEST(Scale, ScreensWhoseSumsPassThirtyTwoBitsUseTheWideFormula) {
  // 4110 x 4100: 255.5 X Y is above 2^32, beyond the exact divider.
  Bitmap source = MakeImage(23, 17), destination = MakeImage(4110, 4100);
  FillRandom(source, 8);
  ASSERT_EQ(ScaleBilinear(PixelRows::Of(destination), PixelRows::Of(source)), 0);
  std::mt19937 random(3);
  for (int k = 0; k < 20000; ++k) {
    const int i = int(random() % 4100), j = int(random() % 4110);
    ASSERT_EQ(destination.PixelAt(j, i), ScaledPixel(source, 4110, 4100, i, j)) << j << "," << i;
  }
}

TEST(Scale, ATwoByTwoSourceInterpolatesAsWorkedOutByHand) {
  Bitmap source = MakeImage(2, 2), destination = MakeImage(3, 3);
  source.SetPixelAt(0, 0, 0x00000000);
  source.SetPixelAt(1, 0, 0x0000000A);
  source.SetPixelAt(0, 1, 0x00000014);
  source.SetPixelAt(1, 1, 0xFF00001F);
  ASSERT_EQ(ScaleBilinear(PixelRows::Of(destination), PixelRows::Of(source)), 0);
  // D = 4; the middle column and row take both neighbours with weight 1 each (of 2).
  EXPECT_EQ(destination.PixelAt(0, 0), 0x00000000u);
  EXPECT_EQ(destination.PixelAt(1, 0), 0x00000005u);  // (0*2 + 10*2 + 2) / 4 = 5
  EXPECT_EQ(destination.PixelAt(0, 1), 0x0000000Au);  // (0*2 + 20*2 + 2) / 4 = 10
  EXPECT_EQ(destination.PixelAt(1, 1), 0x4000000Fu);  // (0 + 10 + 20 + 31 + 2) / 4 = 15; (255 + 2) / 4 = 64
  EXPECT_EQ(destination.PixelAt(2, 2), 0xFF00001Fu);
}

TEST(Scale, CornersEqualTheSourcesAndTheSameSizeCopies) {
  Bitmap source = MakeImage(57, 38), larger = MakeImage(200, 90),
         same = MakeImage(57, 38, RowOrder::BottomUp);
  FillRandom(source, 99);
  ASSERT_EQ(ScaleBilinear(PixelRows::Of(larger), PixelRows::Of(source)), 0);
  ASSERT_EQ(ScaleBilinear(PixelRows::Of(same), PixelRows::Of(source)), 0);
  EXPECT_EQ(larger.PixelAt(0, 0), source.PixelAt(0, 0));
  EXPECT_EQ(larger.PixelAt(199, 0), source.PixelAt(56, 0));
  EXPECT_EQ(larger.PixelAt(0, 89), source.PixelAt(0, 37));
  EXPECT_EQ(larger.PixelAt(199, 89), source.PixelAt(56, 37));
  for (int y = 0; y < 38; ++y) {
    for (int x = 0; x < 57; ++x)
      ASSERT_EQ(same.PixelAt(x, y), source.PixelAt(x, y));
  }
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
  const uint64_t d800 = uint64_t{799} * 479;
  const detail::ExactDivider divider = detail::MakeExactDivider(d800, 255 * d800 + d800 / 2);
  ASSERT_TRUE(divider.valid);
  for (uint64_t n = 0; n <= 255 * d800 + d800 / 2; ++n) {
    if (divider.Divide(uint32_t(n)) != n / d800) FAIL() << "n " << n;
  }
  // By blocks: 1920 x 1080, 4K, every divisor up to 50 000 and a spread of screen sizes.
  ASSERT_TRUE(detail::MakeExactDivider(uint64_t{1919} * 1079, uint64_t{256} * 1919 * 1079).valid);
  ExpectExactOverTheWholeRange(uint64_t{1919} * 1079);
  ExpectExactOverTheWholeRange(uint64_t{3839} * 2159);
  for (uint64_t d = 2; d <= 50000; ++d)
    ExpectExactOverTheWholeRange(d);
  std::mt19937 random(7);
  for (int k = 0; k < 3000; ++k) {
    ExpectExactOverTheWholeRange(uint64_t(random() % 4095 + 1) * (random() % 4095 + 1));
  }
}

// The rotation's sampling as described: column and row pairs, (-1, 0) at the first column and row,
// the fill colour outside; then 16.16 blends of the first three bytes.
uint32_t Sample(const Bitmap& src, int64_t sx, int64_t sy, uint32_t fill) {
  const int64_t x = sx >> 16, y = sy >> 16, fx = sx & 0xFFFF, fy = sy & 0xFFFF;
  if (sx < 0 || sy < 0 || x >= src.Width() || y >= src.Height()) return fill;
  auto p = [&](int64_t px, int64_t py) {
    return px < 0 || py < 0 || px >= src.Width() || py >= src.Height() ? fill : src.PixelAt(int(px), int(py));
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

TEST(Rotate, EveryKernelGivesTheFixedPointFormulasSample) {
  const uint32_t fill = 0x00102030;  // RGB(16, 32, 48)
  unsigned seed = 1;
  for (auto [w, h] : {std::pair{13, 9}, std::pair{290, 290}, std::pair{4, 7}, std::pair{61, 40}}) {
    Bitmap source = MakeImage(w, h, RowOrder::BottomUp);
    for (double angle : {17.0, 45.0, 90.0, -90.0, 180.0, 3.5, -123.25, 1e-9}) {
      const double t = angle * 3.141592653 / 180, s = std::sin(t), c = std::cos(t);
      const int W = int(std::fabs(h * s) + std::fabs(w * c)), H = int(std::fabs(w * s) + std::fabs(h * c));
      const Rotation rotation = RotationOf(w, h, angle);
      ASSERT_EQ(rotation.width, W);
      ASSERT_EQ(rotation.height, H);
      const int64_t dxc = int64_t(c * 65536), dxs = int64_t(s * 65536), dns = int64_t(-s * 65536);
      const int64_t sx0 = int64_t((w / 2.0 - (W / 2.0) * c + (H / 2.0) * s) * 65536);
      const int64_t sy0 = int64_t((h / 2.0 - (H / 2.0) * c - (W / 2.0) * s) * 65536);
      for (PixelKernel kernel : Kernels()) {
        for (bool blocky : {false, true}) {
          blocky ? FillBlocky(source, seed++) : FillRandom(source, seed++);
          Bitmap rotated = MakeImage(W, H, RowOrder::BottomUp);
          RotateRows(PixelRows::Of(source), PixelRows::Of(rotated), rotation.steps, fill, kernel);
          for (int Y = 0; Y < H; ++Y) {
            for (int X = 0; X < W; ++X) {
              ASSERT_EQ(rotated.PixelAt(X, Y),
                        Sample(source, sx0 + X * dxc + Y * dns, sy0 + X * dxs + Y * dxc, fill))
                  << w << "x" << h << " by " << angle << " " << PixelKernelName(kernel)
                  << (blocky ? " blocks" : " noise") << " at " << X << "," << Y;
            }
          }
        }
      }
    }
  }
}

TEST(Rotate, EveryKernelFollowsAnyWalkAcrossTheSource) {
  // The kernels find per row where the walk enters and leaves the source and its inner part: walks
  // from every side, at every slope, standing still, stepping exactly on pixel borders and leaping
  // past the source in one step, over sources down to one pixel, and a few wider than the AVX2
  // walk's 16-bit row strides.
  std::mt19937 random(11);
  auto any = [&](int64_t range) { return int64_t(random() % uint64_t(2 * range + 1)) - range; };
  for (int k = 0; k < 400; ++k) {
    const int w = k < 4 ? 8300 : 1 + int(random() % 40), h = k < 4 ? 24 : 1 + int(random() % 40);
    Bitmap source = MakeImage(w, h, k % 2 ? RowOrder::BottomUp : RowOrder::TopDown);
    k % 3 ? FillBlocky(source, unsigned(k)) : FillRandom(source, unsigned(k));
    // A fifth of the walks take long steps; a third start and step on half pixels, landing on the
    // borders exactly; the wide sources' walks go through their middle.
    const int64_t reach = int64_t{k % 5 == 0 ? 4 : 1} * 65536, grain = k % 3 == 1 ? 32768 : 1;
    auto on = [&](int64_t range) { return any(range / grain) * grain; };
    RotateSteps steps{on(int64_t{w} * 98304), on(int64_t{h} * 98304), on(reach), k % 11 ? on(reach) : 0,
                      on(reach)};
    if (w == 8300)
      steps = RotateSteps{int64_t{4000} * 65536 + any(65536), 262144 + any(65536), 60000 + any(5000),
                          any(8192), any(65536)};
    Bitmap rotated = MakeImage(1 + int(random() % 70), 1 + int(random() % 12));
    for (PixelKernel kernel : Kernels()) {
      RotateRows(PixelRows::Of(source), PixelRows::Of(rotated), steps, 0x00102030, kernel);
      for (int Y = 0; Y < rotated.Height(); ++Y) {
        for (int X = 0; X < rotated.Width(); ++X) {
          const int64_t sx = steps.startX + X * steps.dxc + Y * steps.dns,
                        sy = steps.startY + X * steps.dxs + Y * steps.dxc;
          ASSERT_EQ(rotated.PixelAt(X, Y), Sample(source, sx, sy, 0x00102030))
              << "walk " << k << " " << PixelKernelName(kernel) << " at " << X << "," << Y;
        }
      }
    }
  }
}

TEST(Rotate, ThePartOfTheCentreIsTheWholeCentresPartAndNothingElseChanges) {
  // The attitude ball's window columns, a corner, a part beyond the image, and an oblong whose turned
  // image is smaller than the source on a side (its uncovered pixels show the source).
  struct Case {
    int w, h;
    double angle;
    Rect part;
  };
  const Case cases[] = {{290, 290, 17.0, Rect{31, 0, 259, 290}},
                        {290, 290, -45.0, Rect{0, 0, 40, 30}},
                        {290, 290, 0.0, Rect{100, 100, 400, 400}},
                        {13, 9, 90.0, Rect{2, 1, 12, 8}},
                        {13, 9, 33.0, Rect{20, 20, 30, 30}}};
  for (const Case& k : cases) {
    Bitmap source = MakeImage(k.w, k.h), whole = MakeImage(k.w, k.h), part = MakeImage(k.w, k.h);
    FillBlocky(source, 4);
    FillRandom(whole, 5);
    FillRandom(part, 5);
    ASSERT_EQ(RotateBilinearCentre(PixelRows::Of(source), k.angle, Color{1, 2, 3}, PixelRows::Of(whole)), 1);
    ASSERT_EQ(
        RotateBilinearCentre(PixelRows::Of(source), k.angle, Color{1, 2, 3}, PixelRows::Of(part), k.part), 1);
    Bitmap before = MakeImage(k.w, k.h);
    FillRandom(before, 5);
    for (int y = 0; y < k.h; ++y) {
      for (int x = 0; x < k.w; ++x) {
        const uint32_t expected = k.part.Contains(Point{x, y}) ? whole.PixelAt(x, y) : before.PixelAt(x, y);
        ASSERT_EQ(part.PixelAt(x, y), expected)
            << k.w << "x" << k.h << " by " << k.angle << " at " << x << "," << y;
      }
    }
  }
}

TEST(Rotate, TheFirstColumnBlendsWithTheFillAndTheSecondIsExact) {
  Bitmap source = MakeImage(3, 3);
  const PixelRows rows = PixelRows::Of(source);
  source.SetPixelAt(0, 1, 0x00C86432);  // RGB(200, 100, 50)
  source.SetPixelAt(1, 1, 0x00FFFFFF);
  // Column 0 at fraction 0.5, row 1 exactly: half the fill, half the pixel.
  EXPECT_EQ(RotateSample(rows, 0x8000, 0x10000, 0), 0x00643219u);
  // Column 1 at fraction 0: the pixel of column 1 exactly.
  EXPECT_EQ(RotateSample(rows, 0x10000, 0x10000, 0), 0x00FFFFFFu);
  // Outside on any side: the fill colour.
  EXPECT_EQ(RotateSample(rows, -1, 0x10000, 0x00ABCDEF), 0x00ABCDEFu);
  EXPECT_EQ(RotateSample(rows, 0x30000, 0x10000, 0x00ABCDEF), 0x00ABCDEFu);
  // The last column pairs with the fill beyond it.
  source.SetPixelAt(2, 1, 0x00FF0000);
  EXPECT_EQ(RotateSample(rows, 0x28000, 0x10000, 0x000000FF), 0x007F007Fu);
}

TEST(Scale, RefusesImagesItWouldDivideByZeroOn) {
  Bitmap source = MakeImage(4, 4), thin = MakeImage(1, 5), low = MakeImage(5, 1);
  FillRandom(source, 3);
  thin.SetPixelAt(0, 0, 0x123456);
  EXPECT_EQ(ScaleBilinear(PixelRows::Of(thin), PixelRows::Of(source)), -1);
  EXPECT_EQ(ScaleBilinear(PixelRows::Of(low), PixelRows::Of(source)), -1);
  EXPECT_EQ(ScaleBilinear(PixelRows(), PixelRows::Of(source)), -1);
  EXPECT_EQ(ScaleBilinear(PixelRows::Of(source), PixelRows()), -1);
  EXPECT_EQ(thin.PixelAt(0, 0), 0x123456u);
}

TEST(Rotate, TheCentreStraightIntoAnImageIsTheRotatedImagesCentre) {
  // Rotating into an image just large enough and copying its centre (the unturned source at 0 degrees)
  // must give what the attitude ball draws straight into its window. Oblongs whose turned image is
  // smaller than the source on a side (13 x 9 by 90 degrees is 9 x 13) too.
  const Color fill{16, 32, 48};
  for (auto [w, h] : {std::pair{290, 290}, std::pair{13, 9}, std::pair{4, 7}}) {
    Bitmap source = MakeImage(w, h, RowOrder::BottomUp);
    FillRandom(source, unsigned(w + h));
    for (double angle : {0.0, 17.0, 45.0, 90.0, -90.0, 180.0, -123.25, 1e-9}) {
      Bitmap expected = MakeImage(w, h);
      Surface(expected).Blit(Point{0, 0}, source, source.Bounds());
      if (angle != 0.0) {
        const Rotation rotation = RotationOf(w, h, angle);
        Bitmap rotated = MakeImage(rotation.width, rotation.height, RowOrder::BottomUp);
        RotateRows(PixelRows::Of(source), PixelRows::Of(rotated), rotation.steps, fill.ToPixel());
        const int ox = (rotation.width - w) / 2, oy = (rotation.height - h) / 2;
        Surface(expected).Blit(Point{0, 0}, rotated, Rect{ox, oy, ox + w, oy + h});
      }
      Bitmap centre = MakeImage(w, h);
      FillRandom(centre, 99);  // whatever the image held before
      ASSERT_EQ(RotateBilinearCentre(PixelRows::Of(source), angle, fill, PixelRows::Of(centre)), 1);
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(centre.PixelAt(x, y), expected.PixelAt(x, y))
              << w << "x" << h << " by " << angle << " at " << x << "," << y;
      }
    }
  }
  // The ball's turned image: its own size square, 410 pixels across at 45 degrees.
  EXPECT_EQ(RotationOf(290, 290, 90.0).width, 290);
  EXPECT_EQ(RotationOf(290, 290, 45.0).height, 410);
}

TEST(Rotate, RefusesImagesWithoutPixelsAndAnglesThatAreNotNumbers) {
  Bitmap source = MakeImage(3, 3), target = MakeImage(3, 3);
  const PixelRows rows = PixelRows::Of(source), out = PixelRows::Of(target);
  EXPECT_EQ(RotateBilinearCentre(PixelRows(), 10, Color{}, out), 0);
  EXPECT_EQ(RotateBilinearCentre(rows, std::nan(""), Color{}, out), 0);
  EXPECT_EQ(RotateBilinearCentre(rows, INFINITY, Color{}, out), 0);
}

TEST(PixelKernels, BestIsTheFastestPathThisProcessorHas) {
#if defined(__x86_64__)
  EXPECT_TRUE(HasPixelKernel(PixelKernel::Sse41) || !__builtin_cpu_supports("sse4.1"));
  EXPECT_EQ(HasPixelKernel(PixelKernel::Avx2), bool(__builtin_cpu_supports("avx2")));
  EXPECT_FALSE(HasPixelKernel(PixelKernel::Neon));
#elif defined(__aarch64__)
  EXPECT_TRUE(HasPixelKernel(PixelKernel::Neon));
  EXPECT_EQ(BestPixelKernel(), PixelKernel::Neon);
#endif
  EXPECT_TRUE(HasPixelKernel(BestPixelKernel()));
  EXPECT_NE(BestPixelKernel(), PixelKernel::Best);
}

}  // namespace
}  // namespace kivu
