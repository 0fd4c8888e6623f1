// Pictures at the size a snapshot shows them, as the window's buttons show them: the drawing of that
// size as it is, else a larger drawing scaled down smoothly (never a pixel repeated into blocks, never
// one in two pixels dropped).
#pragma once

#include <optional>
#include <vector>

#include "platform/raster/Bitmap.h"
#include "platform/raster/Geometry.h"

namespace kivu {

// The drawing to make a picture of size from: the one of that size, else the smallest at least that
// large, else the largest. Null when there is none.
const Bitmap* DrawingFor(const std::vector<Bitmap>& drawings, Size size);

// The source at size: scaled down (along either side), each pixel the average of the source's area
// under it, as Qt's smooth filter scales the window's buttons; scaled up, bilinear. Nothing when a
// side of size is below 2 pixels or the memory cannot be had.
std::optional<Bitmap> ScaleSmoothly(const Bitmap& source, Size size);

}  // namespace kivu
