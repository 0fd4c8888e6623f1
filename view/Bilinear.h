// Bilinear scaling and rotation of CDib images: the raster layer's pixel kernels over a CDib's rows.
#pragma once

#include <memory>

#include "platform/raster/Bilinear.h"
#include "view/Dib.h"

namespace kivu {

// The rows of a CDib (none when it is empty).
inline PixelRows RowsOf(const CDib& dib) {
  return PixelRows(dib.bits, dib.width, dib.height, dib.stride);
}

// Scales the source into the destination (see BilinearScaler). Returns 0; returns -1 and writes nothing
// when an image has no pixels, the depths differ or are not 32 bits, or the destination is narrower or
// lower than 2 pixels.
int ScaleBilinear(CDib& destination, const CDib& source, PixelKernel kernel = PixelKernel::Best);

// Rotates the source anticlockwise by angle degrees into a new image just large enough to hold it,
// bottom-up rows; what lies outside the source gets the fill colour. Returns 1 with the image in
// result, or 0 when it cannot be made.
int RotateBilinear(CDib& source, double angle, Color fillColour, std::unique_ptr<CDib>& result);

}  // namespace kivu
