// The moving scales of the dashboard: speed, altitude and vertical-speed tapes, the heading tape and
// the pitch ladder. The current value always sits on the scale's middle line; graduations every 5
// units slide past it. Each routine draws on a sub-panel surface of w x h in the surface's own
// coordinates, in the ink's colours (white by day) on whatever background its caller filled, in the surface's
// selected font. Distances below are design units, which the scale turns into pixels.
#pragma once

#include "platform/raster/Surface.h"
#include "view/DashboardColours.h"
#include "view/DashboardScale.h"

namespace kivu {

// 6 units a unit, larger values upwards; ticks on the right edge, "%0.3d" labels of the magnitude.
void DrawSpeedTape(Surface& surface, int speedInt, int w, int h, ScaleInk ink = {},
                   const DashboardScale& scale = {});
// As the speed tape, with signed labels.
void DrawAltitudeTape(Surface& surface, int altitudeInt, int w, int h, ScaleInk ink = {},
                      const DashboardScale& scale = {});
// 6 units a unit; ticks on the left edge, signed "%0.2d" labels right of them.
void DrawVerticalSpeedTape(Surface& surface, int verticalSpeedInt, int w, int h, ScaleInk ink = {},
                           const DashboardScale& scale = {});
// 5 units a degree, larger values to the right, wrapping through north; ticks hang from the top
// edge, labelled "N", "E", "S", "W" and the other tens of degrees.
void DrawHeadingTape(Surface& surface, int courseInt, int w, int h, ScaleInk ink = {},
                     const DashboardScale& scale = {});
// 5 units a degree, rungs centred, the horizon line across the whole width, labels either side of
// the long rungs, a short mark below every rung.
void DrawPitchLadder(Surface& surface, int pitchInt, int w, int h, const DashboardScale& scale = {},
                     ScaleInk ink = {});

// A digital readout: the box in the selected pen and brush, the value centred in it in the selected
// font and text colour. The tapes' readouts on the canvas and the ball's pitch and roll are drawn alike.
void DrawReadout(Surface& surface, const Rect& box, int value);

}  // namespace kivu
