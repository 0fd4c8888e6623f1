#include <gtest/gtest.h>

#include "view/DashboardLayout.h"

namespace kivu {
namespace {

TEST(DashboardGeometry, CanvasRectanglesStandWhereTheDesignPutsThem) {
  DashboardLayout l = ComputeDashboardLayout();
  EXPECT_EQ(l.attitudeCentre, (Point{216, 173}));
  EXPECT_EQ(l.canvasRect, (Rect{0, 0, 572, 384}));
  EXPECT_EQ(l.mainPanelRect, (Rect{4, 4, 474, 380}));
  EXPECT_EQ(l.distanceRect, (Rect{476, 4, 568, 42}));
  EXPECT_EQ(l.durationRect, (Rect{476, 44, 568, 82}));
  EXPECT_EQ(l.speedStatsRect, (Rect{476, 84, 568, 141}));
  EXPECT_EQ(l.altitudeStatsRect, (Rect{476, 143, 568, 219}));
  EXPECT_EQ(l.pitchStatsRect, (Rect{476, 221, 568, 278}));
  EXPECT_EQ(l.rollStatsRect, (Rect{476, 280, 568, 337}));
  EXPECT_EQ(l.clockRect, (Rect{476, 339, 568, 380}));
  EXPECT_EQ(l.positionValueRect, (Rect{400, 342, 512, 380}));
  EXPECT_EQ(l.positionLabelRect, (Rect{350, 342, 400, 380}));
  EXPECT_EQ(l.satelliteValueRect, (Rect{50, 342, 142, 380}));
  EXPECT_EQ(l.satelliteLabelRect, (Rect{0, 342, 50, 380}));
  EXPECT_EQ(l.attitudeRect, (Rect{71, 28, 361, 318}));
  EXPECT_EQ(l.centreMarkRect, (Rect{213, 170, 220, 177}));
  EXPECT_EQ(l.headingTapeRect, (Rect{101, 341, 333, 371}));
  EXPECT_EQ(l.headingBoxRect, (Rect{199, 349, 233, 371}));
  EXPECT_EQ(l.speedTapeRect, (Rect{26, 34, 68, 312}));
  EXPECT_EQ(l.speedBoxRect, (Rect{25, 162, 61, 184}));
  EXPECT_EQ(l.altitudeTapeRect, (Rect{364, 34, 406, 312}));
  EXPECT_EQ(l.altitudeBoxRect, (Rect{361, 162, 399, 184}));
  EXPECT_EQ(l.verticalSpeedTapeRect, (Rect{420, 34, 453, 312}));
  EXPECT_EQ(l.verticalSpeedBoxRect, (Rect{427, 162, 454, 184}));
  EXPECT_EQ(l.pitchLadderRect, (Rect{0, 35, 290, 255}));
  EXPECT_EQ(l.pitchBoxRect, (Rect{130, 261, 160, 279}));
  EXPECT_EQ(l.rollBoxRect, (Rect{130, 16, 160, 34}));
  EXPECT_EQ(l.attitudeWindowHalfWidth, 114);
}

TEST(DashboardGeometry, RollScaleIsAnArcOfRadius145WithTicksOutside) {
  DashboardLayout l = ComputeDashboardLayout();
  // Worked by hand: 216 + 145 cos 60 = 288.5, 173 - 145 sin 60 + 1 = 48.43...
  EXPECT_EQ(l.rollArc[0], (Point{288, 48}));
  EXPECT_EQ(l.rollArc[30], (Point{216, 29}));  // the top of the circle
  EXPECT_EQ(l.rollArc[60], (Point{143, 48}));  // 216 - 72.49999... truncates to 143
  // t = 75: 216 + 145 cos 75 = 253.53; 174 - 145 sin 75 = 33.94
  EXPECT_EQ(l.rollArc[15], (Point{253, 33}));
  EXPECT_EQ(l.rollTickInner[0], l.rollArc[0]);
  EXPECT_EQ(l.rollTickInner[3], l.rollArc[40]);  // t = 100: 90 is left out
  // Outer ends: radius 157 at 60 and 120, 154 at 70 and 110, 151 at 80 and 100.
  EXPECT_EQ(l.rollTickOuter[0], (Point{294, 38}));  // 216 + 78.5, 174 - 135.97
  EXPECT_EQ(l.rollTickOuter[1], (Point{268, 29}));  // 216 + 52.67, 174 - 144.71
  EXPECT_EQ(l.rollTickOuter[2], (Point{242, 25}));  // 216 + 26.22, 174 - 148.71
  EXPECT_EQ(l.rollTickOuter[5], (Point{137, 38}));  // 216 - 78.5 = 137.5
  EXPECT_EQ(l.rollIndex[0], (Point{206, 18}));
  EXPECT_EQ(l.rollIndex[2], (Point{216, 28}));
}

TEST(DashboardGeometry, WingsMirrorAboutTheCentreAndMarksPointAtTheTapes) {
  DashboardLayout l = ComputeDashboardLayout();
  EXPECT_EQ(l.leftWing[0], (Point{109, 170}));
  EXPECT_EQ(l.leftWing[2], (Point{149, 186}));
  EXPECT_EQ(l.rightWing[0], (Point{323, 170}));
  EXPECT_EQ(l.rightWing[3], (Point{289, 186}));
  EXPECT_EQ(l.speedIndexMarks[0].from, (Point{82, 173}));
  EXPECT_EQ(l.speedIndexMarks[0].to, (Point{32, 173}));
  EXPECT_EQ(l.altitudeIndexMarks[0].to, (Point{425, 173}));
  EXPECT_EQ(l.headingIndexMarks[0].from, (Point{216, 360}));
  EXPECT_EQ(l.headingIndexMarks[2].to, (Point{217, 329}));
}

TEST(WindowLayout, LandscapePutsTheStripOnTheLeft) {
  FontRecord base;
  ViewLayout v = ComputeViewLayout(800, 480, base);
  EXPECT_TRUE(v.wideLayout);
  EXPECT_EQ(v.buttonRects[0], (Rect{6, 434, 46, 474}));
  EXPECT_EQ(v.buttonRects[1], (Rect{6, 392, 46, 432}));
  EXPECT_EQ(v.buttonRects[3], (Rect{6, 308, 46, 348}));
  EXPECT_EQ(v.lightRect, (Rect{22, 10, 29, 17}));
  EXPECT_EQ(v.adRect, (Rect{10, 23, 42, 279}));
  EXPECT_EQ(v.adFont.escapement, 900);
  EXPECT_EQ(v.adFont.faceName, "Courier New");
  EXPECT_EQ(v.adFont.height, -10);
}

TEST(WindowLayout, PortraitAndNarrowWindowsPutTheStripAtTheBottom) {
  FontRecord base;
  ViewLayout v = ComputeViewLayout(480, 800, base);
  EXPECT_FALSE(v.wideLayout);
  EXPECT_EQ(v.buttonRects[0], (Rect{6, 754, 46, 794}));
  EXPECT_EQ(v.buttonRects[3], (Rect{132, 754, 172, 794}));
  EXPECT_EQ(v.lightRect, (Rect{463, 770, 470, 777}));
  EXPECT_EQ(v.adRect, (Rect{201, 4, 457, 36}));
  EXPECT_EQ(v.adFont.escapement, 0);
  for (auto [w, h] : {std::pair{640, 480}, {480, 640}, {320, 240}, {240, 320}, {572, 384}}) {
    ViewLayout b = ComputeViewLayout(w, h, base);
    EXPECT_FALSE(b.wideLayout) << w << "x" << h;
    EXPECT_EQ(b.buttonRects[0], (Rect{6, h - 46, 46, h - 6})) << w << "x" << h;
  }
}

TEST(WindowLayout, EqualRatiosGiveTheBottomStrip) {
  FontRecord base;
  EXPECT_FALSE(ComputeViewLayout(1144, 768, base).wideLayout);
  EXPECT_FALSE(ComputeViewLayout(286, 192, base).wideLayout);
  EXPECT_TRUE(ComputeViewLayout(287, 192, base).wideLayout);
}

TEST(WindowLayout, SmallWindowsHaveNoAdvertisementArea) {
  FontRecord base;
  EXPECT_TRUE(ComputeViewLayout(800, 201, base).adRect.IsEmpty());
  EXPECT_EQ(ComputeViewLayout(800, 203, base).adRect.Height(), 1);
  EXPECT_TRUE(ComputeViewLayout(201, 400, base).adRect.IsEmpty());
  EXPECT_EQ(ComputeViewLayout(203, 400, base).adRect.Width(), 1);
}

TEST(WindowLayout, FontsDeriveFromTheDefaultFont) {
  FontRecord base;
  base.faceName = "Base Sans";
  base.weight = 700;
  ViewLayout v = ComputeViewLayout(640, 480, base);
  EXPECT_EQ(v.readoutFont.height, -16);
  EXPECT_EQ(v.readoutFont.faceName, "Base Sans");
  EXPECT_EQ(v.panelFont.faceName, "Courier New");
  EXPECT_EQ(v.panelFont.weight, 700);
  EXPECT_EQ(v.clockFont.height, -32);
  EXPECT_EQ(v.adFont.height, -16);
}

}  // namespace
}  // namespace kivu
