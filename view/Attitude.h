// The attitude indicator's moving ball: sky and ground split at the pitch, the pitch ladder, the roll
// pointer and the two readout boxes, turned by the roll and seen through a round window.
#pragma once

#include "platform/raster/Font.h"
#include "platform/raster/Surface.h"
#include "view/DashboardLayout.h"

namespace kivu {

constexpr Color kSkyColour{0, 112, 110};
constexpr Color kGroundColour{111, 71, 1};

struct AttitudeFigures {
  int pitchInt = 0;  // degrees, nose up positive
  int rollInt = 0;   // degrees
  bool digitalReadout = true;
  FontRecord readoutFont;
  bool dimmed = false;  // the figures are not live
};

// Draws the ball on a target of w x h (the 290 x 290 attitude square) whose layer the caller filled
// beforehand; what stays black lets the layer show through. The fixed symbols over the ball (roll
// scale, wings, index) are the dashboard's.
void DrawAttitude(Surface& target, int w, int h, const DashboardLayout& layout,
                  const AttitudeFigures& figures);

}  // namespace kivu
