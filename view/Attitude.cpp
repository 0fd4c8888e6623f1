#include "view/Attitude.h"

#include <algorithm>

#include "platform/raster/Bilinear.h"
#include "view/Tapes.h"

namespace kivu {

namespace {

// A row clamped into the range where it still means "above everything" or "below everything".
int ClampRow(int64_t row, int h) {
  return static_cast<int>(std::clamp<int64_t>(row, -1, int64_t{h} + 1));
}

// The ball unturned: sky and ground, the roll pointer, the ladder's lines and labels and the readouts.
void DrawBall(Surface& ball, Surface& ladder, int w, int h, const DashboardLayout& layout,
              const AttitudeFigures& figures) {
  const Bitmap& ladderBitmap = *ladder.SelectedBitmap();
  // Sky above the horizon row, ground below it: 5 units a degree of pitch from the middle.
  const DashboardScale& s = layout.scale;
  int horizon = ClampRow(int64_t{s(figures.pitchInt * 5.0)} + h / 2, h);
  ball.FillRect(Rect{0, 0, w, horizon}, kSkyColour);
  ball.FillRect(Rect{0, horizon, w, h}, kGroundColour);

  ScopedSelection yellow(ball, Pen::Solid(kYellow, layout.lineWidth));
  ball.DrawPolyline(layout.rollPointer);
  // The ladder is drawn over the ball's own pixels in its rectangle, which clips it there; its
  // anti-aliased labels blend into the sky and the ground they stand on.
  const Rect& ladderRect = layout.pitchLadderRect;
  ladder.Blit(Point{0, 0}, *ball.SelectedBitmap(), ladderRect);
  ScopedSelection labels(ladder, Font::Create(figures.labelFont));
  DrawPitchLadder(ladder, figures.pitchInt, ladderBitmap.Width(), ladderBitmap.Height(), s);
  ball.Blit(Point{ladderRect.left, ladderRect.top}, ladderBitmap, ladderBitmap.Bounds());
  if (figures.digitalReadout) {
    SurfaceStateSaver saver(ball);
    ball.SelectBrush(Brush::Solid(kBlack));
    ball.SetTextColor(figures.dimmed ? kDimmedReadoutColour : kGreen);
    ball.SetBackgroundMode(BackgroundMode::Transparent);
    ball.SelectFont(Font::Create(figures.readoutFont));
    DrawReadout(ball, layout.pitchBoxRect, figures.pitchInt);
    DrawReadout(ball, layout.rollBoxRect, figures.rollInt);
  }
}

}  // namespace

bool AttitudeLayers::Prepare(int w, int h, const DashboardLayout& layout) {
  const Rect& ladderRect = layout.pitchLadderRect;
  const bool same = ball && ball->Width() == w && ball->Height() == h && ladder &&
                    ladder->Width() == ladderRect.Width() && ladder->Height() == ladderRect.Height() &&
                    halfWidth == layout.attitudeWindowHalfWidth;
  if (same && turned && mask) return true;
  showing = false;
  if (!EnsureBitmap(ladder, static_cast<int>(ladderRect.Width()), static_cast<int>(ladderRect.Height())) ||
      !EnsureBitmap(ball, w, h) || !EnsureBitmap(turned, w, h) || !EnsureBitmap(mask, w, h)) {
    return false;
  }
  // The window: a white disc cut to the columns within the half-width either side of the middle, on
  // black; ANDed with the turned ball it leaves the ball inside the window and black outside.
  halfWidth = layout.attitudeWindowHalfWidth;
  Surface s(*mask);
  s.FillRect(Rect{0, 0, w, h}, kBlack);
  s.SelectPen(Pen::Solid(kBlack));
  s.SelectBrush(Brush::Solid(kWhite));
  s.DrawEllipse(Rect{0, 0, w, h});
  s.FillRect(Rect{0, 0, w / 2 - halfWidth, h}, kBlack);
  s.FillRect(Rect{w / 2 + halfWidth, 0, w, h}, kBlack);
  return true;
}

void DrawAttitude(Surface& target, int w, int h, const DashboardLayout& layout,
                  const AttitudeFigures& figures) {
  AttitudeLayers layers;
  DrawAttitude(target, Point{0, 0}, w, h, layout, figures, layers);
}

void DrawAttitude(Surface& target, Point at, int w, int h, const DashboardLayout& layout,
                  const AttitudeFigures& figures, AttitudeLayers& layers) {
  if (w <= 0 || h <= 0 || !layers.Prepare(w, h, layout)) return;
  // The columns of the window, which the mask leaves the ball in.
  const Rect window =
      Rect{w / 2 - layers.halfWidth, 0, w / 2 + layers.halfWidth, h}.Intersected(Rect{0, 0, w, h});
  if (!layers.showing || layers.shown != figures) {
    layers.showing = false;
    Surface ball(*layers.ball);
    Surface ladder(*layers.ladder);
    DrawBall(ball, ladder, w, h, layout, figures);
    // Turned by the roll and cut back to the square around its centre; where it cannot be turned, the
    // ball is shown without roll. Only the window's columns are turned and masked: the mask leaves
    // every other pixel black, which the placement on the target skips.
    const PixelRows turned = PixelRows::Of(*layers.turned);
    if (!RotateBilinearCentre(PixelRows::Of(*layers.ball), static_cast<double>(figures.rollInt), kBlack,
                              turned, window)) {
      Surface(*layers.turned).Blit(Point{window.left, 0}, *layers.ball, window);
    }
    Surface(*layers.turned).Blit(Point{window.left, 0}, *layers.mask, window, RasterOp::SrcAnd);
    layers.shown = figures;
    layers.showing = true;
  }
  target.BlitTransparent(Point{at.x + window.left, at.y}, *layers.turned, window, kBlack);
}

}  // namespace kivu
