#include "view/DashboardRenderer.h"

namespace kivu {

DashboardRenderer::DashboardRenderer() : buffers_(std::make_unique<DashboardBuffers>()) {}

DashboardRenderer::~DashboardRenderer() = default;

void DashboardRenderer::ComputeLayout(Size client, double pixelsPerMillimetre) {
  layout_ = ComputeViewLayout(client.width, client.height, DefaultFontRecord(), pixelsPerMillimetre);
  buffers_->Prepare(layout_);
  PrepareFigureGlyphs(layout_);
  PrepareWindowImage(client);
}

void DashboardRenderer::Paint(Surface& target, Size client, DashboardPicture picture) {
  picture.layout = &layout_;
  PaintDashboard(target, client, picture, lightPhase_, *buffers_);
}

bool DashboardRenderer::PrepareWindowImage(Size client) {
  const bool kept =
      windowImage_ && windowImage_->Width() == client.width && windowImage_->Height() == client.height;
  if (kept) return true;
  buffers_->ForgetShown();
  return EnsureBitmap(windowImage_, client.width, client.height);
}

const Bitmap* DashboardRenderer::PaintWindowImage(Size client, const DashboardPicture& picture) {
  if (!PrepareWindowImage(client)) return nullptr;
  Surface surface(*windowImage_);
  // Only these paints write the image: a canvas that comes out as the one shown is not scaled again.
  buffers_->keptWindow = &*windowImage_;
  Paint(surface, client, picture);
  return &*windowImage_;
}

size_t DashboardRenderer::RepaintRects(Size client, DashboardPicture picture,
                                       std::array<Rect, kMaxFigureRects>& rects) const {
  const bool kept = windowImage_ && windowImage_->Width() == client.width &&
                    windowImage_->Height() == client.height && buffers_->keptWindow == &*windowImage_;
  picture.layout = &layout_;
  const DrawnFigures figures = DrawnFigures::Of(picture);
  if (!kept || !buffers_->shown || !buffers_->shownFigures.SameLook(figures) || picture.headUp) return 0;
  return FigureRects(layout_, ChangedFigures(buffers_->shownFigures, figures), rects);
}

}  // namespace kivu
