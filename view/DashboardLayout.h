// The dashboard's geometry: the fixed rectangles and point lists of the 572 x 384 design canvas, and
// the window-dependent button strip, computed when the view is created and whenever its size changes.
#pragma once

#include <array>

#include "platform/raster/Font.h"
#include "platform/raster/Geometry.h"

namespace kivu {

// The design canvas on which everything but the button strip is composed, then scaled to the window.
constexpr int kCanvasWidth = 572;
constexpr int kCanvasHeight = 384;
// The button strip along the left or bottom edge, and its 40 x 40 buttons.
constexpr int kStripSize = 46;
constexpr int kButtonSize = 40;

// A line from its first point towards its second (the end point itself is not drawn).
struct Segment {
  Point from;
  Point to;
};

struct DashboardLayout {
  Point attitudeCentre;  // (216, 173)

  Rect canvasRect;
  Rect mainPanelRect;
  Rect distanceRect;
  Rect durationRect;
  Rect speedStatsRect;
  Rect altitudeStatsRect;
  Rect pitchStatsRect;
  Rect rollStatsRect;
  Rect clockRect;
  Rect positionValueRect;
  Rect positionLabelRect;
  Rect satelliteValueRect;
  Rect satelliteLabelRect;
  Rect attitudeRect;
  Rect centreMarkRect;
  Rect headingTapeRect;
  Rect headingBoxRect;
  Rect speedTapeRect;
  Rect speedBoxRect;
  Rect altitudeTapeRect;
  Rect altitudeBoxRect;
  Rect verticalSpeedTapeRect;
  Rect verticalSpeedBoxRect;

  // In the attitude square's own coordinates: the pitch ladder, the pitch readout box, the roll box.
  Rect pitchLadderRect;
  Rect pitchBoxRect;
  Rect rollBoxRect;

  std::array<Point, 61> rollArc;
  std::array<Point, 6> rollTickInner;
  std::array<Point, 6> rollTickOuter;
  std::array<Point, 3> rollIndex;
  std::array<Point, 4> rollPointer;  // attitude-square coordinates
  std::array<Point, 6> leftWing;
  std::array<Point, 6> rightWing;
  std::array<Segment, 3> speedIndexMarks;
  std::array<Segment, 3> altitudeIndexMarks;
  std::array<Segment, 3> headingIndexMarks;

  // Half the width of the attitude window: trunc(145 cos 38 degrees) = 114.
  int attitudeWindowHalfWidth;
};

// Everything the view's layout step fills, from the client size and the font record of the view's
// default font.
struct ViewLayout {
  FontRecord readoutFont;
  FontRecord panelFont;
  FontRecord clockFont;
  FontRecord adFont;
  DashboardLayout dashboard;
  bool wideLayout = false;
  // Exit, Settings, Navigator, Minimize, in window coordinates.
  std::array<Rect, 4> buttonRects;
  Rect lightRect;
  // In the coordinates of the button strip's own bitmap.
  Rect adRect;
};

// The fixed canvas geometry (it depends on nothing).
DashboardLayout ComputeDashboardLayout();

// The whole layout for a client area of width x height.
ViewLayout ComputeViewLayout(int width, int height, const FontRecord& defaultFont);

}  // namespace kivu
