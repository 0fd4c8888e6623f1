// Scaling and rotation of CDib images: what the CDib forms add to the raster layer's kernels (the size
// and rows of the rotated image, the refusals) and the rotated centre that the attitude ball uses.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/raster/Surface.h"
#include "view/Bilinear.h"

namespace kivu {
namespace {

void MakeDib(CDib& dib, int w, int h) {
  if (!dib.Create(w, h)) throw std::runtime_error("no image");
}

uint32_t& At(CDib& dib, int x, int y) {
  return reinterpret_cast<uint32_t*>(dib.bits + y * dib.stride)[x];
}

void FillRandom(CDib& dib, unsigned seed) {
  std::mt19937 random(seed);
  for (int y = 0; y < dib.height; ++y) {
    for (int x = 0; x < dib.width; ++x)
      At(dib, x, y) = uint32_t(random());
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
      ASSERT_EQ(RotateBilinearCentre(RowsOf(source), angle, Color{16, 32, 48}, RowsOf(centre)), 1);
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
