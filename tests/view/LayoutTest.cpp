#include <gtest/gtest.h>

#include <tuple>
#include <vector>

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

// The dashboard's panels, which must neither overlap nor leave the dashboard's area.
std::vector<Rect> Panels(const DashboardLayout& l) {
  return {l.mainPanelRect,     l.distanceRect,   l.durationRect,  l.speedStatsRect,
          l.altitudeStatsRect, l.pitchStatsRect, l.rollStatsRect, l.clockRect};
}

::testing::AssertionResult Arranged(int w, int h, double pixelsPerMillimetre = 0) {
  const ViewLayout v = ComputeViewLayout(w, h, DefaultFontRecord(), pixelsPerMillimetre);
  const DashboardLayout& l = v.dashboard;
  const Rect client{0, 0, w, h};
  auto failure = [&]() { return ::testing::AssertionFailure() << w << "x" << h << ": "; };
  if (v.strip.Intersected(v.area) != Rect{} || v.strip.Intersected(client) != v.strip ||
      v.area.Intersected(client) != v.area)
    return failure() << "the strip and the area do not share the window";
  const std::vector<Rect> panels = Panels(l);
  for (size_t i = 0; i < panels.size(); ++i) {
    if (panels[i].Intersected(v.area) != panels[i]) return failure() << "panel " << i << " leaves the area";
    for (size_t j = i + 1; j < panels.size(); ++j)
      if (panels[i].Intersected(panels[j]) != Rect{})
        return failure() << "panels " << i << ", " << j << " overlap";
  }
  // True shapes: the attitude indicator is a square, and large.
  const Rect& a = l.attitudeRect;
  if (a.Width() != a.Height()) return failure() << "the attitude indicator is not square";
  const double share = static_cast<double>(a.Height()) / h;
  if (share < (v.portrait ? 0.35 : 0.70))
    return failure() << "the attitude indicator is " << share << " of the height";
  if (a.Intersected(l.mainPanelRect) != a) return failure() << "the attitude indicator leaves its panel";
  // The buttons grow with the strip, inside it, and are at least 9 mm where the screen's size is known.
  for (const Rect& b : v.buttonRects) {
    if (b.Intersected(v.strip) != b || b.Width() != b.Height() || b.Width() != v.stripScale(kButtonSize))
      return failure() << "a button is not the strip's square";
    if (b.Width() < kMinButtonMillimetres * pixelsPerMillimetre - 0.5)
      return failure() << "a button is too small";
  }
  if (v.stripScale.factor < l.scale.factor) return failure() << "the strip is smaller than the dashboard";
  return ::testing::AssertionSuccess();
}

TEST(WindowLayout, AtTheDesignSizeTheCanvasIsTheDesignsBesideTheStrip) {
  const DashboardLayout design = ComputeDashboardLayout();
  // Beside a strip on the left (618 x 384) and above one at the bottom (572 x 430): scale 1, every
  // rectangle where the design has it, moved by the strip's width on the left.
  for (auto [w, h, dx] : {std::tuple{618, 384, 46}, {572, 430, 0}}) {
    const ViewLayout v = ComputeViewLayout(w, h, DefaultFontRecord());
    EXPECT_EQ(v.dashboard.scale.factor, 1.0);
    EXPECT_EQ(v.wideLayout, dx != 0);
    auto moved = [&](Rect r) { return Rect{r.left + dx, r.top, r.right + dx, r.bottom}; };
    const std::vector<Rect> want = Panels(design), got = Panels(v.dashboard);
    for (size_t i = 0; i < want.size(); ++i)
      EXPECT_EQ(got[i], moved(want[i])) << w << "x" << h << " panel " << i;
    EXPECT_EQ(v.dashboard.attitudeRect, moved(design.attitudeRect));
    EXPECT_EQ(v.dashboard.rollArc[15].x, design.rollArc[15].x + dx);
    EXPECT_EQ(v.buttonRects[0], (Rect{6, h - 46, 46, h - 6}));
    EXPECT_EQ(v.readoutFont.height, -16);
    EXPECT_FALSE(v.readoutFont.antialiased);
  }
  const ViewLayout wide = ComputeViewLayout(618, 384, DefaultFontRecord());
  EXPECT_EQ(wide.buttonRects[3], (Rect{6, 212, 46, 252}));
  EXPECT_EQ(wide.lightRect, (Rect{22, 10, 29, 17}));
  EXPECT_EQ(wide.adRect, (Rect{10, 23, 42, 205}));
  EXPECT_EQ(wide.adFont.escapement, 900);
  EXPECT_EQ(wide.adFont.faceName, "Courier New");
  EXPECT_EQ(wide.adFont.height, -10);
  const ViewLayout low = ComputeViewLayout(572, 430, DefaultFontRecord());
  EXPECT_EQ(low.lightRect, (Rect{555, 400, 562, 407}));
  EXPECT_EQ(low.adRect, (Rect{293, 4, 549, 36}));
}

TEST(WindowLayout, EveryScreenGetsTrueShapesAndPanelsThatNeitherOverlapNorLeave) {
  // The screens drivers mount, landscape and portrait, and the awkward ones between.
  for (auto [w, h] : {std::pair{800, 480},
                      {1024, 600},
                      {1280, 800},
                      {1280, 720},
                      {1920, 1080},
                      {2560, 1440},
                      {1920, 1200},
                      {480, 800},
                      {600, 1024},
                      {720, 1280},
                      {1080, 1920},
                      {800, 801}})
    EXPECT_TRUE(Arranged(w, h));
  // A 10" 1080p panel (8.6 pixels a millimetre) and a 7" 800 x 480 one (5.4): 9-mm buttons.
  EXPECT_TRUE(Arranged(1920, 1080, 8.6));
  EXPECT_TRUE(Arranged(800, 480, 5.4));
  EXPECT_TRUE(Arranged(720, 1280, 11.0));
  EXPECT_GE(ComputeViewLayout(1920, 1080, DefaultFontRecord(), 30).buttonRects[0].Width(), 270);
}

TEST(WindowLayout, PortraitPutsTheTripPanelsInAGridBelowTheInstruments) {
  const ViewLayout v = ComputeViewLayout(720, 1280, DefaultFontRecord());
  const DashboardLayout& l = v.dashboard;
  EXPECT_TRUE(v.portrait);
  EXPECT_FALSE(v.wideLayout);
  for (const Rect& r : {l.distanceRect, l.durationRect, l.clockRect})
    EXPECT_EQ(r.top, l.distanceRect.top);
  for (const Rect& r : {l.speedStatsRect, l.altitudeStatsRect, l.pitchStatsRect, l.rollStatsRect}) {
    EXPECT_EQ(r.top, l.speedStatsRect.top);
    EXPECT_GT(r.top, l.distanceRect.bottom);
  }
  EXPECT_GT(l.distanceRect.top, l.mainPanelRect.bottom);
  // One scale for all: the clock's and the panels' fonts grew as the instruments did.
  EXPECT_EQ(v.clockFont.height, l.scale(-32));
  EXPECT_TRUE(v.clockFont.antialiased);
  EXPECT_GT(l.scale.factor, 1.5);
}

TEST(WindowLayout, TinyWindowsGiveALayoutWithoutFault) {
  for (auto [w, h] : {std::pair{1, 1}, {46, 46}, {572, 47}, {47, 384}, {0, 0}, {100000, 3}}) {
    const ViewLayout v = ComputeViewLayout(w, h, DefaultFontRecord());
    EXPECT_GE(v.dashboard.scale.factor, 0.0);
    EXPECT_GE(v.dashboard.attitudeRect.Width(), 0);
  }
}

}  // namespace
}  // namespace kivu
