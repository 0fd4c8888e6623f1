#include "view/Bilinear.h"

#include <cmath>

namespace kivu {

int ScaleBilinear(CDib& destination, const CDib& source, PixelKernel kernel) {
  if (destination.bitsPerPixel != 32 || source.bitsPerPixel != 32) return -1;
  return ScaleBilinear(RowsOf(destination), RowsOf(source), kernel);
}

int RotateBilinear(CDib& source, double angle, Color fillColour, std::unique_ptr<CDib>& result) {
  if (!source.bits || source.bitsPerPixel != 32 || !std::isfinite(angle)) return 0;
  const int w = source.width, h = source.height;
  const Rotation rotation = RotationOf(w, h, angle);
  auto rotated = std::make_unique<CDib>();
  if (!rotated->Create(rotation.width, rotation.height, source.bitsPerPixel, BI_RGB)) return 0;
  if (angle == 0.0) {
    Surface* context = rotated->GetDC();
    source.Draw(*context, Rect{0, 0, w, h}, Rect{0, 0, w, h}, RasterOp::SrcCopy);
    rotated->ReleaseDC();
  } else {
    RotateRows(RowsOf(source), RowsOf(*rotated), rotation.steps, fillColour.ToPixel());
  }
  result = std::move(rotated);
  return 1;
}

}  // namespace kivu
