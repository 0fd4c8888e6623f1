#include "view/DashboardLayout.h"

#include <algorithm>
#include <cmath>

namespace kivu {

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

// The design's landscape canvas: the main panel 4 units in, the attitude indicator's centre 212 and 169
// units into the main panel, the column of trip panels 2 units right of it.
constexpr int kMainPanelWidth = 470;
constexpr int kMainPanelHeight = 376;
constexpr int kMargin = 4;
constexpr int kGap = 2;
constexpr int kTripColumnWidth = 92;
constexpr Point kCentreInPanel{212, 169};

// The portrait arrangement: a main panel narrowed to the instruments (8 units clear of the speed box and
// the vertical-speed box), the attitude centre 200 units into it; below, a grid of two rows, the short
// panels (distance, duration, clock) over the tall ones (speed, altitude, pitch, roll).
constexpr int kPortraitPanelWidth = 447;
constexpr int kPortraitCentreX = 200;
constexpr int kPortraitMargin = 2;
constexpr int kPortraitGridGap = 4;
constexpr int kShortRowHeight = 41;
constexpr int kTallRowHeight = 76;
constexpr int kPortraitWidth = kPortraitPanelWidth + 2 * kPortraitMargin;
constexpr int kPortraitHeight = kPortraitMargin + kMainPanelHeight + kPortraitGridGap + kShortRowHeight +
                                kGap + kTallRowHeight + kPortraitMargin;

// A point of the roll scale: radius r at angle t degrees around c, y upwards, truncated.
Point RollPoint(Point c, const DashboardScale& s, double r, int t) {
  const double a = t * kDegree;
  return Point{static_cast<int>(c.x + s.factor * r * std::cos(a)),
               static_cast<int>(c.y - s.factor * r * std::sin(a) + s.factor)};
}

// Everything drawn about the attitude centre c: the ball, the tapes and their readouts, the roll scale,
// the wings and the index marks.
void PlaceInstruments(DashboardLayout& l, Point c) {
  const DashboardScale& s = l.scale;
  l.attitudeCentre = c;
  l.attitudeRect = s.From(c, -145, -145, 145, 145);
  l.centreMarkRect = s.From(c, -3, -3, 4, 4);
  l.headingTapeRect = s.From(c, -115, 168, 117, 198);
  l.headingBoxRect = s.From(c, -17, 176, 17, 198);
  l.speedTapeRect = s.From(c, -190, -139, -148, 139);
  l.speedBoxRect = s.From(c, -191, -11, -155, 11);
  l.altitudeTapeRect = s.From(c, 148, -139, 190, 139);
  l.altitudeBoxRect = s.From(c, 145, -11, 183, 11);
  l.verticalSpeedTapeRect = s.From(c, 204, -139, 237, 139);
  l.verticalSpeedBoxRect = s.From(c, 211, -11, 238, 11);

  // In the attitude square's own coordinates, about its middle.
  const int half = s(145);
  const Point middle{half, half};
  l.pitchLadderRect = s.From(middle, -145, -110, 145, 110);
  l.pitchBoxRect = s.From(middle, -15, 116, 15, 134);
  l.rollBoxRect = s.From(middle, -15, -129, 15, -111);
  l.rollPointer = {s.From(middle, -10, -133), s.From(middle, 10, -133), s.From(middle, 0, -143),
                   s.From(middle, -10, -133)};

  for (int t = 60; t <= 120; ++t)
    l.rollArc[static_cast<size_t>(t - 60)] = RollPoint(c, s, 145, t);
  size_t tick = 0;
  for (int t = 60; t <= 120; t += 10) {
    if (t == 90) continue;
    const int off = std::abs(t - 90);
    const double r = off == 30 ? 157 : off == 20 ? 154 : 151;
    l.rollTickInner[tick] = l.rollArc[static_cast<size_t>(t - 60)];
    l.rollTickOuter[tick] = RollPoint(c, s, r, t);
    ++tick;
  }
  l.rollIndex = {s.From(c, -10, -155), s.From(c, 10, -155), s.From(c, 0, -145)};
  l.leftWing = {s.From(c, -107, -3), s.From(c, -67, -3), s.From(c, -67, 13),
                s.From(c, -73, 13),  s.From(c, -73, 3),  s.From(c, -107, 3)};
  for (size_t i = 0; i < l.leftWing.size(); ++i)
    l.rightWing[i] = Point{c.x + (c.x - l.leftWing[i].x), l.leftWing[i].y};
  l.speedIndexMarks = {Segment{s.From(c, -134, 0), s.From(c, -184, 0)},
                       Segment{s.From(c, -134, -1), s.From(c, -151, -1)},
                       Segment{s.From(c, -134, 1), s.From(c, -151, 1)}};
  l.altitudeIndexMarks = {Segment{s.From(c, 134, 0), s.From(c, 209, 0)},
                          Segment{s.From(c, 134, -1), s.From(c, 151, -1)},
                          Segment{s.From(c, 134, 1), s.From(c, 151, 1)}};
  l.headingIndexMarks = {Segment{s.From(c, 0, 187), s.From(c, 0, 157)},
                         Segment{s.From(c, -1, 157), s.From(c, -1, 170)},
                         Segment{s.From(c, 1, 170), s.From(c, 1, 156)}};
  l.attitudeWindowHalfWidth = static_cast<int>(s.factor * 145 * std::cos(38 * kDegree));
}

// The satellites at the main panel's bottom left, the position at its bottom right; the position's
// figures may run on past the panel, not past the canvas.
void PlaceReadings(DashboardLayout& l) {
  const DashboardScale& s = l.scale;
  const Rect& p = l.mainPanelRect;
  const Point bottomLeft{p.left, p.bottom};
  const Point bottomRight{p.right, p.bottom};
  l.positionValueRect = s.From(bottomRight, -74, -38, 38, 0);
  l.positionValueRect.right = std::min(l.positionValueRect.right, l.canvasRect.right);
  l.positionLabelRect = s.From(bottomRight, -124, -38, -74, 0);
  l.satelliteValueRect = s.From(bottomLeft, 46, -38, 138, 0);
  l.satelliteLabelRect = s.From(bottomLeft, -4, -38, 46, 0);
}

// The landscape canvas at origin (the design's (0, 0)), the trip column `widen` pixels wider than the
// design's and `gap` pixels further from the main panel.
void PlaceLandscape(DashboardLayout& l, Point origin, int widen, int gap) {
  const DashboardScale& s = l.scale;
  l.mainPanelRect = s.From(origin, kMargin, kMargin, kMargin + kMainPanelWidth, kMargin + kMainPanelHeight);
  const Point panel{l.mainPanelRect.left, l.mainPanelRect.top};
  PlaceInstruments(l, s.From(panel, kCentreInPanel.x, kCentreInPanel.y));
  PlaceReadings(l);
  // The column's panels top to bottom, 2 units apart, as design extents from the main panel's top.
  const int left = l.mainPanelRect.right + s(kGap) + gap;
  const int right = left + s(kTripColumnWidth) + widen;
  Rect* column[] = {&l.distanceRect,   &l.durationRect,  &l.speedStatsRect, &l.altitudeStatsRect,
                    &l.pitchStatsRect, &l.rollStatsRect, &l.clockRect};
  const int heights[] = {38, 38, 57, 76, 57, 57, 41};
  int top = 0;
  for (size_t i = 0; i < std::size(column); ++i) {
    *column[i] = Rect{left, panel.y + s(top), right, panel.y + s(top + heights[i])};
    top += heights[i] + kGap;
  }
}

// The portrait canvas at origin: the narrowed main panel, then after `gap` more pixels the grid.
void PlacePortrait(DashboardLayout& l, Point origin, int gap) {
  const DashboardScale& s = l.scale;
  l.mainPanelRect = s.From(origin, kPortraitMargin, kPortraitMargin, kPortraitMargin + kPortraitPanelWidth,
                           kPortraitMargin + kMainPanelHeight);
  const Point panel{l.mainPanelRect.left, l.mainPanelRect.top};
  PlaceInstruments(l, s.From(panel, kPortraitCentreX, kCentreInPanel.y));
  PlaceReadings(l);
  const Point grid{panel.x, l.mainPanelRect.bottom + s(kPortraitGridGap) + gap};
  auto row = [&](std::initializer_list<Rect*> panels, double top, double height) {
    const double count = static_cast<double>(panels.size());
    const double width = (kPortraitPanelWidth - (count - 1) * kGap) / count;
    double left = 0;
    for (Rect* r : panels) {
      *r = s.From(grid, left, top, left + width, top + height);
      left += width + kGap;
    }
  };
  row({&l.distanceRect, &l.durationRect, &l.clockRect}, 0, kShortRowHeight);
  row({&l.speedStatsRect, &l.altitudeStatsRect, &l.pitchStatsRect, &l.rollStatsRect}, kShortRowHeight + kGap,
      kTallRowHeight);
}

// The strip's thickness at its scale: the buttons' margin and the buttons, which touch the strip's inner
// edge (kStripSize at a scale of 1).
int StripThickness(const DashboardScale& b) {
  return b(kStripSize - kButtonSize) + b(kButtonSize);
}

// The scale at which a design of designWidth x designHeight fills width x height, never stretched.
double FitScale(double width, double height, double designWidth, double designHeight) {
  return std::max(0.0, std::min(width / designWidth, height / designHeight));
}

// Where the strip goes and how large everything is: the dashboard's scale and the strip's thickness.
struct Arrangement {
  bool portrait = false;
  bool stripLeft = false;
  double scale = 1;
  double stripScale = 1;
};

Arrangement Arrange(int width, int height, double minStripScale) {
  const double w = width, h = height;
  Arrangement a;
  a.portrait = height > width;
  // The strip is kStripSize units thick at the strip's scale: the dashboard's, or the finger's minimum.
  auto stripFor = [&](double scale) {
    return StripThickness(DashboardScale{std::max(scale, minStripScale)});
  };
  auto fit = [&](bool left, double designWidth, double designHeight) {
    double scale =
        FitScale(left ? w - kStripSize * minStripScale : w, left ? h : h - kStripSize * minStripScale,
                 designWidth + (left ? kStripSize : 0), designHeight + (left ? 0 : kStripSize));
    // With the strip's pixels fixed, the scale that fills what is left.
    const double strip = static_cast<double>(stripFor(scale));
    return FitScale(left ? w - strip : w, left ? h : h - strip, designWidth, designHeight);
  };
  if (a.portrait) {
    a.scale = fit(false, kPortraitWidth, kPortraitHeight);
  } else {
    // The strip goes where it leaves the dashboard larger; on a tie, to the bottom.
    const double leftScale = fit(true, kCanvasWidth, kCanvasHeight);
    const double bottomScale = fit(false, kCanvasWidth, kCanvasHeight);
    a.stripLeft = leftScale > bottomScale;
    a.scale = a.stripLeft ? leftScale : bottomScale;
  }
  a.stripScale = std::max(a.scale, minStripScale);
  return a;
}

DashboardLayout CanvasLayout(const Rect& area, const Arrangement& a) {
  DashboardLayout l{};
  l.scale = DashboardScale{a.scale};
  l.lineWidth = l.scale.LineWidth();
  l.canvasRect = area;
  const DashboardScale& s = l.scale;
  const Point corner{area.left, area.top};
  if (a.portrait) {
    // Spare width centres the picture; spare height is shared by the gap above the grid and the foot,
    // so that the instruments stay at the top and the trip panels near the buttons.
    const int spareWidth = std::max(0, static_cast<int>(area.Width()) - s(kPortraitWidth));
    const int spareHeight = std::max(0, static_cast<int>(area.Height()) - s(kPortraitHeight));
    PlacePortrait(l, Point{corner.x + spareWidth / 2, corner.y}, spareHeight / 2);
  } else {
    // Spare width first widens the trip column, up to half as wide again, then is shared by the left
    // margin, the gap before the column and the right margin; spare height centres the picture.
    const int spareWidth = std::max(0, static_cast<int>(area.Width()) - s(kCanvasWidth));
    const int spareHeight = std::max(0, static_cast<int>(area.Height()) - s(kCanvasHeight));
    const int widen = std::min(spareWidth / 2, s(kTripColumnWidth) / 2);
    const int share = (spareWidth - widen) / 3;
    PlaceLandscape(l, Point{corner.x + share, corner.y + spareHeight / 2}, widen, share);
  }
  return l;
}

}  // namespace

DashboardLayout ComputeDashboardLayout() {
  return CanvasLayout(Rect{0, 0, kCanvasWidth, kCanvasHeight}, Arrangement{});
}

ViewLayout ComputeViewLayout(int width, int height, const FontRecord& defaultFont,
                             double pixelsPerMillimetre) {
  const double minStripScale =
      pixelsPerMillimetre > 0 ? kMinButtonMillimetres * pixelsPerMillimetre / kButtonSize : 0;
  const Arrangement a = Arrange(width, height, minStripScale);
  const DashboardScale s{a.scale};
  const DashboardScale b{a.stripScale};

  ViewLayout v;
  v.portrait = a.portrait;
  v.wideLayout = a.stripLeft;
  v.stripScale = b;
  const int strip = std::clamp(StripThickness(b), 0, std::max(0, a.stripLeft ? width : height));
  v.strip = a.stripLeft ? Rect{0, 0, strip, height} : Rect{0, height - strip, width, height};
  v.area = a.stripLeft ? Rect{strip, 0, width, height} : Rect{0, 0, width, height - strip};
  v.dashboard = CanvasLayout(v.area, a);

  FontRecord design = defaultFont;
  if (design.height == 0) design.height = -kDefaultCharacterHeight;
  v.labelFont = s.Font(design);
  design.height = -16;
  v.readoutFont = s.Font(design);
  FontRecord panel = design;
  panel.faceName = "Courier New";
  v.panelFont = s.Font(panel);
  design.height = -32;
  v.clockFont = s.Font(design);
  design.height = -16;
  v.adFont = b.Font(design);

  // Exit lowest in a column growing upwards, or leftmost in a row growing rightwards: 40-unit buttons
  // 42 units apart, 6 units from the window's edges.
  const int step = b(kButtonSize + 2);
  Rect button{b(6), height - b(6) - b(kButtonSize), b(6) + b(kButtonSize), height - b(6)};
  for (Rect& r : v.buttonRects) {
    r = button;
    if (v.wideLayout) {
      button.top -= step;
      button.bottom -= step;
    } else {
      button.left += step;
      button.right += step;
    }
  }
  const Rect& minimize = v.buttonRects[3];
  // The 7-unit light and the 32-unit advertisement centred across a button's width.
  constexpr int kLightInset = (kButtonSize - 7) / 2;
  constexpr int kAdInset = (kButtonSize - 32) / 2;
  if (v.wideLayout) {
    v.lightRect = b.From(Point{0, 0}, 6 + kLightInset, 10, 6 + kLightInset + 7, 17);
    const int h = std::clamp(minimize.top - b(30), 0, b(256));
    v.adRect =
        Rect{b(6 + kAdInset), v.lightRect.bottom + b(6), b(6 + kAdInset + 32), v.lightRect.bottom + b(6) + h};
    v.adFont.escapement = 900;
    // The upright strip gives a column height / 7 characters in height - 8 pixels (its margins): a
    // 16-pixel face cuts a column its count fills ("...sponsorsh"). The monospace face at 10 pixels
    // advances 6 pixels a character, so from a column of 56 pixels on any count of them fits.
    v.adFont.faceName = "Courier New";
    v.adFont.height = b(-10);
  } else {
    const int top = height - StripThickness(b);
    v.lightRect = Rect{width - b(17), top + b(kLightInset), width - b(10), top + b(kLightInset + 7)};
    const int w = std::clamp(width - minimize.right - b(30), 0, b(256));
    // In the strip bitmap's own coordinates.
    v.adRect = Rect{v.lightRect.left - b(6) - w, b(kAdInset), v.lightRect.left - b(6), b(kAdInset + 32)};
  }
  return v;
}

}  // namespace kivu
