#include "view/DashboardLayout.h"

#include <algorithm>
#include <cmath>

namespace kivu {

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

// A rectangle of the given size with its top-left corner at (left, top).
constexpr Rect At(int left, int top, int width, int height) {
  return Rect{left, top, left + width, top + height};
}

// A point of the roll scale: radius r at angle t degrees around (cx, cy), y upwards, truncated.
Point RollPoint(int cx, int cy, double r, int t) {
  double a = t * kDegree;
  return Point{static_cast<int>(cx + r * std::cos(a)), static_cast<int>(cy - r * std::sin(a) + 1.0)};
}

}  // namespace

DashboardLayout ComputeDashboardLayout() {
  DashboardLayout l{};
  const int cx = 216;
  const int cy = kCanvasHeight / 2 - 19;
  l.attitudeCentre = Point{cx, cy};

  l.canvasRect = At(0, 0, kCanvasWidth, kCanvasHeight);
  l.mainPanelRect = At(4, 4, 470, 376);
  // The column of statistics panels right of the main panel, 2 pixels apart.
  l.distanceRect = At(l.mainPanelRect.right + 2, l.mainPanelRect.top, 92, 38);
  l.durationRect = At(l.distanceRect.left, l.distanceRect.bottom + 2, 92, 38);
  l.speedStatsRect = At(l.durationRect.left, l.durationRect.bottom + 2, 92, 57);
  l.altitudeStatsRect = At(l.speedStatsRect.left, l.speedStatsRect.bottom + 2, 92, 76);
  l.pitchStatsRect = At(l.altitudeStatsRect.left, l.altitudeStatsRect.bottom + 2, 92, 57);
  l.rollStatsRect = At(l.pitchStatsRect.left, l.pitchStatsRect.bottom + 2, 92, 57);
  l.clockRect = At(l.rollStatsRect.left, l.rollStatsRect.bottom + 2, 92, 41);

  l.positionValueRect = At(l.mainPanelRect.right - (2 * 112) / 3, l.mainPanelRect.bottom - 38, 112, 38);
  l.positionLabelRect = At(l.positionValueRect.left - 50, l.positionValueRect.top, 50, 38);
  l.satelliteValueRect = At(50, l.mainPanelRect.bottom - 38, 92, 38);
  l.satelliteLabelRect = At(l.satelliteValueRect.left - 50, l.satelliteValueRect.top, 50, 38);

  l.attitudeRect = At(cx - 290 / 2, cy - 290 / 2, 290, 290);
  l.centreMarkRect = At(cx - 3, cy - 3, 7, 7);
  l.headingTapeRect = At(cx - 116 + 1, cy + 168, 232, 30);
  l.headingBoxRect = At(cx - 17, l.headingTapeRect.top + 8, 34, 22);
  l.speedTapeRect = At(cx - 190, cy - 139, 42, 278);
  l.speedBoxRect = At(l.speedTapeRect.left - 1, cy - 11, 36, 22);
  l.altitudeTapeRect = At(cx + 148, cy - 139, 42, 278);
  l.altitudeBoxRect = At(l.altitudeTapeRect.left - 3, cy - 11, 38, 22);
  l.verticalSpeedTapeRect = At(cx + 204, cy - 139, 33, 278);
  l.verticalSpeedBoxRect = At(l.verticalSpeedTapeRect.left + 7, cy - 11, 27, 22);

  l.pitchLadderRect = Rect{0, 35, 290, 255};
  l.pitchBoxRect = Rect{130, 261, 160, 279};
  l.rollBoxRect = Rect{130, 16, 160, 34};

  for (int t = 60; t <= 120; ++t)
    l.rollArc[static_cast<size_t>(t - 60)] = RollPoint(cx, cy, 145, t);
  size_t tick = 0;
  for (int t = 60; t <= 120; t += 10) {
    if (t == 90) continue;
    int off = std::abs(t - 90);
    double r = off == 30 ? 157 : off == 20 ? 154 : 151;
    l.rollTickInner[tick] = l.rollArc[static_cast<size_t>(t - 60)];
    l.rollTickOuter[tick] = RollPoint(cx, cy, r, t);
    ++tick;
  }
  l.rollIndex = {Point{cx - 10, cy - 155}, Point{cx + 10, cy - 155}, Point{cx, cy - 145}};
  l.rollPointer = {Point{135, 12}, Point{155, 12}, Point{145, 2}, Point{135, 12}};
  l.leftWing = {Point{cx - 107, cy - 3}, Point{cx - 67, cy - 3}, Point{cx - 67, cy + 13},
                Point{cx - 73, cy + 13}, Point{cx - 73, cy + 3}, Point{cx - 107, cy + 3}};
  for (size_t i = 0; i < l.leftWing.size(); ++i)
    l.rightWing[i] = Point{cx + (cx - l.leftWing[i].x), l.leftWing[i].y};
  l.speedIndexMarks = {Segment{{cx - 134, cy}, {cx - 184, cy}},
                       Segment{{cx - 134, cy - 1}, {cx - 151, cy - 1}},
                       Segment{{cx - 134, cy + 1}, {cx - 151, cy + 1}}};
  l.altitudeIndexMarks = {Segment{{cx + 134, cy}, {cx + 209, cy}},
                          Segment{{cx + 134, cy - 1}, {cx + 151, cy - 1}},
                          Segment{{cx + 134, cy + 1}, {cx + 151, cy + 1}}};
  l.headingIndexMarks = {Segment{{cx, cy + 187}, {cx, cy + 157}},
                         Segment{{cx - 1, cy + 157}, {cx - 1, cy + 170}},
                         Segment{{cx + 1, cy + 170}, {cx + 1, cy + 156}}};
  l.attitudeWindowHalfWidth = static_cast<int>(145 * std::cos(38 * kDegree));
  return l;
}

ViewLayout ComputeViewLayout(int width, int height, const FontRecord& defaultFont) {
  ViewLayout v;
  v.readoutFont = defaultFont;
  v.readoutFont.height = -16;
  v.panelFont = defaultFont;
  v.panelFont.height = -16;
  v.panelFont.faceName = "Courier New";
  v.clockFont = defaultFont;
  v.clockFont.height = -32;
  v.adFont = defaultFont;
  v.adFont.height = -16;

  v.dashboard = ComputeDashboardLayout();
  v.wideLayout = width * (1.0 / kCanvasWidth) > height * (1.0 / kCanvasHeight);

  // Exit lowest in a column growing upwards, or leftmost in a row growing rightwards.
  Rect button{6, height - 46, 6 + kButtonSize, height - 6};
  for (Rect& r : v.buttonRects) {
    r = button;
    if (v.wideLayout) {
      button.top -= 42;
      button.bottom -= 42;
    } else {
      button.left += 42;
      button.right += 42;
    }
  }
  const Rect& minimize = v.buttonRects[3];
  if (v.wideLayout) {
    v.lightRect = At(6 + (kButtonSize - 7) / 2, 10, 7, 7);
    int h = std::clamp(minimize.top - 30, 0, 256);
    v.adRect = At(6 + (kButtonSize - 32) / 2, v.lightRect.bottom + 6, 32, h);
    v.adFont.escapement = 900;
    // The upright strip gives a column height / 7 characters in height - 8 pixels (its margins): a
    // 16-pixel face cuts a column its count fills ("...sponsorsh"). The monospace face at 10 pixels
    // advances 6 pixels a character, so from a column of 56 pixels on any count of them fits.
    v.adFont.faceName = "Courier New";
    v.adFont.height = -10;
  } else {
    v.lightRect = At(width - 17, (height - 46) + (kButtonSize - 7) / 2, 7, 7);
    int w = std::clamp(width - minimize.right - 30, 0, 256);
    v.adRect = Rect{v.lightRect.left - 6 - w, (kButtonSize - 32) / 2, v.lightRect.left - 6,
                    (kButtonSize - 32) / 2 + 32};
  }
  return v;
}

}  // namespace kivu
