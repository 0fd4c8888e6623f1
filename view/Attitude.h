// The attitude indicator's moving ball: sky and ground split at the pitch, the pitch ladder, the roll
// pointer and the two readout boxes, turned by the roll and seen through a round window.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "platform/raster/Bitmap.h"
#include "platform/raster/Font.h"
#include "platform/raster/Surface.h"
#include "view/DashboardColours.h"
#include "view/DashboardLayout.h"

namespace kivu {

constexpr Color kSkyColour{0, 112, 110};
constexpr Color kGroundColour{111, 71, 1};

struct AttitudeFigures {
  int pitchInt = 0;  // degrees, nose up positive
  int rollInt = 0;   // degrees
  bool digitalReadout = true;
  FontRecord readoutFont;
  FontRecord labelFont = DefaultFontRecord();  // the ladder's
  bool dimmed = false;                         // the figures are not live
  const DashboardColours* colours = &ColoursOf(Palette::kDay);
  friend bool operator==(const AttitudeFigures&, const AttitudeFigures&) = default;
};

// What the ball is drawn in, kept from paint to paint: the ladder and ball layers, the turned ball and
// the window's rows, made once for a square's size, and the figures the turned ball shows. A paint
// whose figures are those draws and turns nothing.
struct AttitudeLayers {
  // Makes the layers for a w x h square (the window's rows at once) unless they are made for it; false when
  // there is no memory for them.
  bool Prepare(int w, int h, const DashboardLayout& layout);

  std::optional<Bitmap> ladder;  // the pitch-ladder rectangle's size
  std::optional<Bitmap> ball;
  std::optional<Bitmap> turned;  // the ball turned by the roll, inside the window
  // The window (a disc cut to the columns within halfWidth of the middle) as each row's span of
  // columns, [first, second).
  std::vector<std::pair<int, int>> windowRows;
  int halfWidth = 0;  // the window's, which the spans were made for
  // What `turned` holds, when it holds anything (not after Prepare made new layers).
  bool showing = false;
  AttitudeFigures shown;
};

// Draws the ball on a target of w x h (the 290 x 290 attitude square) whose layer the caller filled
// beforehand, black (the dashboard's main panel): the ball covers the window whole, its black readout
// boxes included, and the layer shows round the window. The fixed symbols over the ball (roll
// scale, wings, index) are the dashboard's. The first form makes its layers for the one call; the
// second puts the square's top-left corner at `at` of the target.
void DrawAttitude(Surface& target, int w, int h, const DashboardLayout& layout,
                  const AttitudeFigures& figures);
void DrawAttitude(Surface& target, Point at, int w, int h, const DashboardLayout& layout,
                  const AttitudeFigures& figures, AttitudeLayers& layers);

}  // namespace kivu
