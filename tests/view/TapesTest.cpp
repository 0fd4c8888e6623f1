// The moving scales on the pixels of a sub-panel surface.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/raster/Bitmap.h"
#include "platform/raster/Surface.h"
#include "view/ShownText.h"
#include "view/Tapes.h"

namespace kivu {
namespace {

// A black sub-panel with one scale drawn on it.
struct Panel {
  Panel(int w, int h) : bitmap(*Bitmap::Create(w, h)), surface(bitmap) {}
  bool White(int x, int y) const { return bitmap.ColorAt(x, y) == kWhite; }
  // White pixels in the rectangle (clipped to the panel).
  int WhiteIn(Rect r) const {
    r = r.Intersected(bitmap.Bounds());
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        n += White(x, y);
    return n;
  }
  // A white run on row y from x `from` to `to` (exclusive), with no white just outside it.
  bool RunAt(int y, int from, int to) const {
    if (White(from - 1, y) || White(to, y)) return false;
    for (int x = from; x < to; ++x)
      if (!White(x, y)) return false;
    return true;
  }
  // Whether the label band r shows text as the scales draw it: white, centred, in the default font.
  ::testing::AssertionResult Shows(const char* text, Rect r) const {
    return test::ShowsText(bitmap, text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE, kWhite,
                           DefaultFontRecord());
  }
  Bitmap bitmap;
  Surface surface;
};

TEST(SpeedTape, ValueZeroPutsGraduationsEvery30PixelsAroundTheMiddle) {
  Panel p(42, 278);
  DrawSpeedTape(p.surface, 0, 42, 278);
  // Graduations 25 .. -25 at y = 139 + 6 (0 - d): -11, 19, 49, ..., 289; long ticks every 10.
  for (int d = 25; d >= -25; d -= 5) {
    int y = 139 - 6 * d;
    if (y < 0 || y >= 278) continue;
    int len = d % 10 == 0 ? 10 : 5;
    for (int x = 32; x < 42; ++x)
      EXPECT_EQ(p.White(x, y), x >= 42 - len) << "d " << d << " x " << x;
    // Labels only beside long ticks, in the band left of them.
    if (len != 10) {
      EXPECT_EQ(p.WhiteIn(Rect{0, y - 6, 32, y + 6}), 0) << d;
    }
  }
  // Three digits of the magnitude: below the middle line -10 reads 010.
  for (auto [y, label] : {std::pair{19, "020"}, {79, "010"}, {139, "000"}, {199, "010"}, {259, "020"}})
    EXPECT_TRUE(p.Shows(label, Rect{0, y - 6, 32, y + 6})) << y;
}

TEST(SpeedTape, Value47KeepsItOnTheMiddleLine) {
  Panel p(42, 278);
  DrawSpeedTape(p.surface, 47, 42, 278);
  // 45 at y 151 (short), 50 at y 121 (long); 47 itself falls between, on y 139.
  EXPECT_TRUE(p.White(37, 151));
  EXPECT_FALSE(p.White(36, 151));
  EXPECT_TRUE(p.White(32, 121));
  EXPECT_EQ(p.WhiteIn(Rect{0, 139, 42, 140}), 0);
  for (auto [d, label] : {std::pair{70, "070"}, {60, "060"}, {50, "050"}, {40, "040"}, {30, "030"}})
    EXPECT_TRUE(p.Shows(label, Rect{0, 139 + 6 * (47 - d) - 6, 32, 139 + 6 * (47 - d) + 6})) << d;
}

TEST(AltitudeTape, NegativeValuesHaveSignedLabels) {
  Panel p(42, 278);
  DrawAltitudeTape(p.surface, -7, 42, 278);
  // c = -5 at y 139 + 6 (-7 + 5) = 127; 0 at y 97, -10 at y 157.
  EXPECT_TRUE(p.White(37, 127));
  EXPECT_TRUE(p.White(32, 97));
  EXPECT_TRUE(p.White(32, 157));
  for (auto [y, label] : {std::pair{37, "010"}, {97, "000"}, {157, "-010"}, {217, "-020"}})
    EXPECT_TRUE(p.Shows(label, Rect{0, y - 6, 32, y + 6})) << y;
}

TEST(VerticalSpeedTape, TicksStandOnTheLeftWithLabelsRightOfThem) {
  Panel p(33, 278);
  DrawVerticalSpeedTape(p.surface, -3, 33, 278);
  // c = 0 at y 139 + 6 (-3) = 121; labels 20, 10, 00, -10, -20 at y 1, 61, 121, 181, 241.
  // A tick runs from x len towards the edge, which it leaves out.
  for (auto [y, label] : {std::pair{1, "20"}, {61, "10"}, {121, "00"}, {181, "-10"}, {241, "-20"}}) {
    EXPECT_FALSE(p.White(0, y));
    for (int x = 1; x <= 10; ++x)
      EXPECT_TRUE(p.White(x, y)) << y;
    EXPECT_TRUE(p.Shows(label, Rect{12, y - 6, 33, y + 6})) << y;
    EXPECT_EQ(p.WhiteIn(Rect{11, y - 6, 12, y + 6}), 0) << y;  // the band starts at x 12
  }
  EXPECT_TRUE(p.White(5, 151));  // 5 below, a short tick
  EXPECT_FALSE(p.White(6, 151));
}

TEST(HeadingTape, ScaleRunsOnThroughNorth) {
  Panel p(232, 30);
  DrawHeadingTape(p.surface, 357, 232, 30);
  // 357 at x 115; 0 (360) at x 115 + 15 = 130 with a long tick, 355 at x 105 with a short one.
  for (int y = 0; y < 10; ++y)
    EXPECT_TRUE(p.White(130, y)) << y;
  EXPECT_FALSE(p.White(130, 10));
  for (int y = 0; y < 5; ++y)
    EXPECT_TRUE(p.White(105, y));
  EXPECT_FALSE(p.White(105, 5));
  // "N" stands below the tick at 0; 330 at x -20 is off the tape; 340 at x 30 is on it.
  EXPECT_TRUE(p.Shows("N", Rect{120, 12, 140, 24}));
  EXPECT_TRUE(p.Shows("340", Rect{20, 12, 40, 24}));
}

TEST(HeadingTape, CardinalPointsHaveLetters) {
  // Each course's label stands in the middle, below its tick at x 115.
  for (auto [course, label] :
       {std::pair{0, "N"}, {90, "E"}, {180, "S"}, {270, "W"}, {10, "10"}, {350, "350"}}) {
    Panel p(232, 30);
    DrawHeadingTape(p.surface, course, 232, 30);
    EXPECT_TRUE(p.Shows(label, Rect{105, 12, 125, 24})) << course;
  }
}

TEST(PitchLadder, LevelShowsTheHorizonAndRungsWithMarks) {
  Panel p(290, 220);
  DrawPitchLadder(p.surface, 0, 290, 220);
  for (int x = 0; x < 290; ++x) {
    EXPECT_TRUE(p.White(x, 0));
    EXPECT_TRUE(p.White(x, 219));
    EXPECT_TRUE(p.White(x, 110));  // the horizon line across the whole width
  }
  // Long rungs 41 pixels from x 124 at 10, 20, -10 and -20 degrees, labelled either side with the sign.
  for (auto [y, label] : {std::pair{60, "10"}, {10, "20"}, {160, "-10"}, {210, "-20"}}) {
    EXPECT_TRUE(p.RunAt(y, 124, 165)) << y;
    EXPECT_TRUE(p.Shows(label, Rect{85, y - 6, 115, y + 6})) << y;
    EXPECT_TRUE(p.Shows(label, Rect{175, y - 6, 205, y + 6})) << y;
  }
  // Short rungs 21 pixels at 5, 15, -5, -15 degrees, without labels.
  for (int y : {85, 35, 135, 185}) {
    EXPECT_TRUE(p.RunAt(y, 134, 155)) << y;
    EXPECT_EQ(p.WhiteIn(Rect{85, y - 6, 115, y + 6}), 0) << y;
  }
  // The 10-pixel mark 12 pixels below each rung.
  for (int y : {122, 72, 22, 97, 147, 172, 197})
    EXPECT_TRUE(p.RunAt(y, 140, 150)) << y;
  // No labels at the horizon.
  EXPECT_EQ(p.WhiteIn(Rect{85, 104, 115, 110}), 0);
}

TEST(PitchLadder, PitchUpMovesTheHorizonDown) {
  Panel p(290, 220);
  DrawPitchLadder(p.surface, 12, 290, 220);
  // The horizon lies 60 pixels below the middle line: y = 110 + 5 * 12.
  for (int x = 0; x < 290; ++x)
    EXPECT_TRUE(p.White(x, 170));
  EXPECT_FALSE(p.White(0, 110));
}

TEST(Scales, ExtremeValuesDrawWithoutFault) {
  Panel p(42, 278);
  for (int v : {2147483647, -2147483647 - 1, 1000000, -999999}) {
    DrawSpeedTape(p.surface, v, 42, 278);
    DrawAltitudeTape(p.surface, v, 42, 278);
    DrawVerticalSpeedTape(p.surface, v, 33, 278);
    DrawHeadingTape(p.surface, v, 232, 30);
    DrawPitchLadder(p.surface, v, 290, 220);
  }
  // The surface's state is as it was: the scales put back what they selected.
  EXPECT_EQ(p.surface.CurrentPen(), Pen::Solid(Color{0, 0, 0}));
  EXPECT_EQ(p.surface.GetBackgroundMode(), BackgroundMode::Opaque);
}

}  // namespace
}  // namespace kivu

namespace kivu {
namespace {

TEST(ScaleLabels, ThreeDigitsOfTheDefaultFontFitAHeadingLabel) {
  // Heading labels are centred in 20 x 12 pixels: digits wider than that would be cut at its edges.
  for (const char* label : {"340", "350", "100", "200", "888"}) {
    Panel clipped(40, 30), whole(40, 30);
    for (Panel* p : {&clipped, &whole}) {
      p->surface.SetTextColor(kWhite);
      p->surface.SetBackgroundMode(BackgroundMode::Transparent);
    }
    clipped.surface.DrawText(label, Rect{10, 9, 30, 21}, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    whole.surface.DrawText(label, Rect{10, 9, 30, 21}, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(whole.WhiteIn(Rect{0, 0, 40, 30}), 30) << label;
    EXPECT_EQ(clipped.WhiteIn(Rect{0, 0, 40, 30}), whole.WhiteIn(Rect{0, 0, 40, 30})) << label;
  }
}

}  // namespace
}  // namespace kivu
