// The dashboard's geometry for a window: the rectangles and point lists of the design's 572 x 384 canvas
// at one uniform scale, arranged for the window's shape, and the button strip, computed when the view is
// created and whenever its size changes. How the scale and the room are chosen is in docs/screen.md.
#pragma once

#include <array>

#include "platform/raster/Font.h"
#include "platform/raster/Geometry.h"
#include "view/DashboardScale.h"

namespace kivu {

// The design canvas: the dashboard beside the strip at a scale of 1.
constexpr int kCanvasWidth = 572;
constexpr int kCanvasHeight = 384;
// The button strip along the left or bottom edge, and its 40 x 40 buttons, at a scale of 1.
constexpr int kStripSize = 46;
constexpr int kButtonSize = 40;
// The smallest button a finger hits reliably, where the screen's size is known.
constexpr double kMinButtonMillimetres = 9.0;

// A line from its first point towards its second (the end point itself is not drawn).
struct Segment {
  Point from;
  Point to;
};

struct DashboardLayout {
  // Design units to pixels, and the width of the dashboard's lines.
  DashboardScale scale;
  int lineWidth = 1;
  Point attitudeCentre;  // (216, 173) at the design size

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

  // Half the width of the attitude window: trunc(145 cos 38 degrees) = 114 at the design size.
  int attitudeWindowHalfWidth;
};

// Everything the view's layout step fills, from the client size and the font record of the view's
// default font.
struct ViewLayout {
  // The face of the tapes' labels, the position and the satellites (the design's default font).
  FontRecord labelFont;
  FontRecord readoutFont;
  FontRecord panelFont;
  FontRecord clockFont;
  FontRecord adFont;
  DashboardLayout dashboard;
  // The strip runs down the left edge (else along the bottom).
  bool wideLayout = false;
  // Taller than wide: the instruments above a grid of the trip panels.
  bool portrait = false;
  // The strip and the dashboard's area beside it, in window coordinates, and the strip's own scale
  // (the dashboard's, or larger where that would make buttons too small for a finger).
  Rect strip;
  Rect area;
  DashboardScale stripScale;
  // Exit, Settings, Navigator, Minimize, in window coordinates.
  std::array<Rect, 4> buttonRects;
  Rect lightRect;
  // In the coordinates of the button strip's own bitmap.
  Rect adRect;
};

// The design's own canvas geometry: scale 1, landscape, at the origin.
DashboardLayout ComputeDashboardLayout();

// The whole layout for a client area of width x height. pixelsPerMillimetre, where known (else 0),
// keeps the buttons at least kMinButtonMillimetres wide.
ViewLayout ComputeViewLayout(int width, int height, const FontRecord& defaultFont,
                             double pixelsPerMillimetre = 0);

}  // namespace kivu
