// The dashboard's pixels for one client size: the layout computed from that size, the bitmaps the paint
// draws in, and the window image the window shows. It knows no receiver, trip or settings: each paint is
// given the picture to draw.
#pragma once

#include <memory>
#include <optional>

#include "platform/raster/Bitmap.h"
#include "platform/raster/Surface.h"
#include "view/DashboardLayout.h"
#include "view/DashboardPaint.h"

namespace kivu {

class DashboardRenderer {
 public:
  DashboardRenderer();
  ~DashboardRenderer();
  DashboardRenderer(const DashboardRenderer&) = delete;
  DashboardRenderer& operator=(const DashboardRenderer&) = delete;

  // The geometry for a client size; the window image and the bitmaps the paint draws in are made for it
  // at once, so that the paints that follow allocate nothing.
  // pixelsPerMillimetre: the screen's, where known (else 0), for buttons a finger can hit.
  void ComputeLayout(Size client, double pixelsPerMillimetre = 0);
  const ViewLayout& Layout() const { return layout_; }

  // Paints the whole client area onto target with the layout (picture.layout is set here). Each paint
  // that draws the light steps its colour on.
  void Paint(Surface& target, Size client, DashboardPicture picture);
  // The paint as the window shows it: the whole client area painted into the renderer's own window
  // image, made again at a paint of another client size; null when it cannot be made.
  const Bitmap* PaintWindowImage(Size client, const DashboardPicture& picture);
  // The rectangles of the window image that PaintWindowImage of picture would change, where it would draw
  // new figures over the image it keeps; 0 where it would paint the image whole.
  size_t RepaintRects(Size client, DashboardPicture picture, std::array<Rect, kMaxFigureRects>& rects) const;

 private:
  // The window image at the client's size, made unless it has it; false when there is no memory.
  bool PrepareWindowImage(Size client);

  ViewLayout layout_;
  std::unique_ptr<DashboardBuffers> buffers_;
  std::optional<Bitmap> windowImage_;
  int lightPhase_ = 0;
};

}  // namespace kivu
