// The attitude ball on the pixels of its 290 x 290 layer.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/raster/Bitmap.h"
#include "view/Attitude.h"
#include "view/DashboardColours.h"

namespace kivu {
namespace {

constexpr Color kLayer{1, 2, 3};  // what the caller filled the layer with

struct Ball {
  explicit Ball(int pitch, int roll = 0, bool readout = false)
      : bitmap(*Bitmap::Create(290, 290)), surface(bitmap) {
    surface.FillRect(bitmap.Bounds(), kLayer);
    AttitudeFigures f;
    f.pitchInt = pitch;
    f.rollInt = roll;
    f.digitalReadout = readout;
    f.readoutFont.height = -16;
    DrawAttitude(surface, 290, 290, ComputeDashboardLayout(), f);
  }
  Color At(int x, int y) const { return bitmap.ColorAt(x, y); }
  Bitmap bitmap;
  Surface surface;
};

bool Near(Color a, Color b, int tolerance = 2) {
  return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
         std::abs(a.blue - b.blue) <= tolerance;
}

TEST(AttitudeBall, HorizonRowFollowsPitchAtFivePixelsADegree) {
  // Column 60 is inside the window and away from the ladder's rungs and labels.
  struct {
    int pitch, horizon;
  } cases[] = {{0, 145}, {10, 195}, {7, 180}};
  for (auto c : cases) {
    Ball ball(c.pitch);
    EXPECT_EQ(ball.At(60, c.horizon - 2), kSkyColour) << c.pitch;
    EXPECT_EQ(ball.At(60, c.horizon + 2), kGroundColour) << c.pitch;
    // The ladder's horizon line lies on the same row as the sky's edge.
    EXPECT_EQ(ball.At(60, c.horizon), kWhite) << c.pitch;
  }
  Ball down(-30);  // horizon at row -5: all ground
  EXPECT_EQ(down.At(60, 40), kGroundColour);
  EXPECT_EQ(down.At(250, 145), kGroundColour);
}

TEST(AttitudeBall, OutsideTheWindowTheLayerShowsThrough) {
  Ball ball(0);
  for (auto [x, y] : {std::pair{10, 145}, {280, 145}, {30, 100}, {259, 100}, {145, 0}, {5, 5}, {285, 285}})
    EXPECT_EQ(ball.At(x, y), kLayer) << x << "," << y;
  EXPECT_EQ(ball.At(31, 100), kSkyColour);  // the window runs from column 31 to 258
  EXPECT_EQ(ball.At(258, 200), kGroundColour);
}

TEST(AttitudeBall, RollTurnsTheHorizon) {
  Ball ball(0, 45);
  // Turned by 45 degrees the horizon runs from lower left to upper right through the centre.
  EXPECT_TRUE(Near(ball.At(145 - 50, 145 - 50), kSkyColour)) << "upper left";
  EXPECT_TRUE(Near(ball.At(145 + 50, 145 + 50), kGroundColour)) << "lower right";
  EXPECT_TRUE(Near(ball.At(145 + 60, 145 - 40), kGroundColour)) << "below the line on the right";
  Ball level(0);
  EXPECT_EQ(level.At(145 + 60, 145 - 40), kSkyColour);
}

TEST(AttitudeBall, ReadoutBoxesShowOnlyWhenAskedFor) {
  Ball on(0, 0, true), off(0, 0, false);
  // The pitch box (130, 261)-(160, 279) and the roll box (130, 16)-(160, 34), outlined in yellow.
  EXPECT_EQ(on.At(130, 261), kYellow);
  EXPECT_EQ(on.At(159, 278), kYellow);
  EXPECT_EQ(on.At(130, 20), kYellow);
  EXPECT_NE(off.At(130, 261), kYellow);
  EXPECT_NE(off.At(130, 20), kYellow);
}

TEST(AttitudeBall, KeptLayersShowEachAttitudeAsAFreshDrawingDoes) {
  // One set of layers through a run of attitudes, some repeated, some differing only in the readout,
  // the dimming or the readout's font: each drawing equals the ball drawn alone with those figures.
  auto figures = [](int pitch, int roll, bool readout, bool dimmed, int fontHeight) {
    AttitudeFigures f;
    f.pitchInt = pitch;
    f.rollInt = roll;
    f.digitalReadout = readout;
    f.dimmed = dimmed;
    f.readoutFont.height = fontHeight;
    return f;
  };
  const AttitudeFigures run[] = {figures(0, 0, true, false, -16),   figures(7, -12, true, false, -16),
                                 figures(7, -12, true, false, -16), figures(7, -12, false, false, -16),
                                 figures(7, -12, true, true, -16),  figures(7, -12, true, true, -20),
                                 figures(0, 0, true, false, -16),   figures(-30, 45, true, false, -16)};
  const DashboardLayout layout = ComputeDashboardLayout();
  AttitudeLayers layers;
  Bitmap kept = *Bitmap::Create(290 + 20, 290 + 10);
  for (const AttitudeFigures& f : run) {
    Bitmap alone = *Bitmap::Create(290, 290);
    Surface fresh(alone);
    fresh.FillRect(alone.Bounds(), kLayer);
    DrawAttitude(fresh, 290, 290, layout, f);
    Surface again(kept);
    again.FillRect(kept.Bounds(), kLayer);
    DrawAttitude(again, Point{20, 10}, 290, 290, layout, f, layers);
    int differing = 0;
    for (int y = 0; y < 290; ++y)
      for (int x = 0; x < 290; ++x)
        differing += alone.PixelAt(x, y) != kept.PixelAt(x + 20, y + 10);
    EXPECT_EQ(differing, 0) << f.pitchInt << " " << f.rollInt << " " << f.digitalReadout << f.dimmed;
  }
}

TEST(AttitudeBall, RollPointerIsYellowAtTheTop) {
  Ball ball(0);
  // The pointer's base runs along row 12 from column 135 to 155.
  EXPECT_EQ(ball.At(145, 12), kYellow);
  EXPECT_EQ(ball.At(140, 12), kYellow);
}

}  // namespace
}  // namespace kivu
