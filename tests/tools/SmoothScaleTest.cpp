// How kivu-replay's snapshots scale the buttons' pictures, on tiny pictures checked pixel by pixel.
#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "tools/SmoothScale.h"

namespace kivu {
namespace {

// A grey picture, row by row.
Bitmap Greys(int width, int height, std::initializer_list<int> levels) {
  std::optional<Bitmap> bitmap = Bitmap::Create(width, height);
  auto level = levels.begin();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x, ++level)
      bitmap->SetPixelAt(x, y, Color{uint8_t(*level), uint8_t(*level), uint8_t(*level)}.ToPixel());
  return std::move(*bitmap);
}

std::vector<int> GreysOf(const Bitmap& bitmap) {
  std::vector<int> levels;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      const Color c = bitmap.ColorAt(x, y);
      EXPECT_TRUE(c.red == c.green && c.green == c.blue) << x << "," << y;
      levels.push_back(c.green);
    }
  return levels;
}

TEST(SmoothScale, DownEachPixelAveragesTheAreaItCoversAndUpItBlendsItsNeighbours) {
  // 3 x 3 to 2 x 2: the top-left target covers the first source pixel whole, half of the second along
  // each side and a quarter of the middle one, (4 x 0 + 2 x 90 + 2 x 90 + 180) / 9 = 60; the top-right
  // (2 x 90 + 4 x 180 + 180 + 2 x 255) / 9 = 176.7; the bottom-right (180 + 2 x 255 + 2 x 255) / 9 = 133.3.
  Bitmap three = Greys(3, 3, {0, 90, 180, 90, 180, 255, 180, 255, 0});
  std::optional<Bitmap> two = ScaleSmoothly(three, Size{2, 2});
  ASSERT_TRUE(two);
  EXPECT_EQ(GreysOf(*two), (std::vector<int>{60, 177, 177, 133}));
  // One-pixel stripes, a quarter of the size: every pixel the grey between black and white (127.5,
  // rounded up), where a stretch that picks pixels shows all black or all white.
  std::optional<Bitmap> stripes = Bitmap::Create(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 1; x < 8; x += 2)
      stripes->SetPixelAt(x, y, Color{255, 255, 255}.ToPixel());
  std::optional<Bitmap> quarter = ScaleSmoothly(*stripes, Size{2, 2});
  ASSERT_TRUE(quarter);
  EXPECT_EQ(GreysOf(*quarter), (std::vector<int>{128, 128, 128, 128}));
  // Larger every way: the corners stay, the middle is the mean of the four.
  std::optional<Bitmap> larger = ScaleSmoothly(Greys(2, 2, {0, 100, 200, 40}), Size{3, 3});
  ASSERT_TRUE(larger);
  EXPECT_EQ(GreysOf(*larger), (std::vector<int>{0, 50, 100, 100, 85, 70, 200, 120, 40}));
  // Nowhere to blend into.
  EXPECT_FALSE(ScaleSmoothly(three, Size{1, 2}));
}

TEST(SmoothScale, ThePictureIsScaledFromItsDrawingOfThatSizeElseTheNextLargerElseTheLargest) {
  std::vector<Bitmap> drawings;
  for (int side : {240, 40, 80})
    drawings.push_back(*Bitmap::Create(side, side));
  EXPECT_EQ(DrawingFor(drawings, Size{40, 40}), &drawings[1]);
  EXPECT_EQ(DrawingFor(drawings, Size{41, 41}), &drawings[2]);
  EXPECT_EQ(DrawingFor(drawings, Size{30, 50}), &drawings[2]);
  EXPECT_EQ(DrawingFor(drawings, Size{20, 20}), &drawings[1]);
  EXPECT_EQ(DrawingFor(drawings, Size{300, 300}), &drawings[0]);
  EXPECT_EQ(DrawingFor({}, Size{40, 40}), nullptr);
}

}  // namespace
}  // namespace kivu
