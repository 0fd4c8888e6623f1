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
  const DashboardColours& c = *figures.colours;
  int horizon = ClampRow(int64_t{s(figures.pitchInt * 5.0)} + h / 2, h);
  ball.FillRect(Rect{0, 0, w, horizon}, c.sky);
  ball.FillRect(Rect{0, horizon, w, h}, c.ground);

  ScopedSelection yellow(ball, Pen::Solid(c.symbol, layout.lineWidth));
  ball.DrawPolyline(layout.rollPointer);
  // The ladder is drawn over the ball's own pixels in its rectangle, which clips it there; its
  // anti-aliased labels blend into the sky and the ground they stand on.
  const Rect& ladderRect = layout.pitchLadderRect;
  ladder.Blit(Point{0, 0}, *ball.SelectedBitmap(), ladderRect);
  ScopedSelection labels(ladder, Font::Create(figures.labelFont));
  DrawPitchLadder(ladder, figures.pitchInt, ladderBitmap.Width(), ladderBitmap.Height(), s, c.Scale(false));
  ball.Blit(Point{ladderRect.left, ladderRect.top}, ladderBitmap, ladderBitmap.Bounds());
  if (figures.digitalReadout) {
    SurfaceStateSaver saver(ball);
    ball.SelectBrush(Brush::Solid(c.panel));
    ball.SetTextColor(c.Readout(figures.dimmed));
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
  if (same && turned && windowRows.size() == static_cast<size_t>(h)) return true;
  showing = false;
  windowRows.clear();
  if (!EnsureBitmap(ladder, static_cast<int>(ladderRect.Width()), static_cast<int>(ladderRect.Height())) ||
      !EnsureBitmap(ball, w, h) || !EnsureBitmap(turned, w, h)) {
    return false;
  }
  // The window: a disc (its outline left out) cut to the columns within the half-width either side of
  // the middle. It is drawn once, white on black, and kept as each row's span of white.
  halfWidth = layout.attitudeWindowHalfWidth;
  Surface s(*turned);
  s.FillRect(Rect{0, 0, w, h}, kBlack);
  s.SelectPen(Pen::Solid(kBlack));
  s.SelectBrush(Brush::Solid(kWhite));
  s.DrawEllipse(Rect{0, 0, w, h});
  s.FillRect(Rect{0, 0, w / 2 - halfWidth, h}, kBlack);
  s.FillRect(Rect{w / 2 + halfWidth, 0, w, h}, kBlack);
  windowRows.resize(static_cast<size_t>(h));
  const uint32_t white = kWhite.ToPixel();
  for (int y = 0; y < h; ++y) {
    const uint32_t* row = turned->Row(y);
    int left = 0;
    while (left < w && (row[left] & kPixelColorMask) != white)
      ++left;
    int right = left;
    while (right < w && (row[right] & kPixelColorMask) == white)
      ++right;
    windowRows[static_cast<size_t>(y)] = {left, right};
  }
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
  if (!layers.showing || layers.shown != figures) {
    layers.showing = false;
    Surface ball(*layers.ball);
    Surface ladder(*layers.ladder);
    DrawBall(ball, ladder, w, h, layout, figures);
    // Turned by the roll, row by row inside the window alone; where it cannot be turned, the ball is
    // shown without roll.
    const PixelRows source = PixelRows::Of(*layers.ball);
    const PixelRows turned = PixelRows::Of(*layers.turned);
    Surface unturned(*layers.turned);
    for (int y = 0; y < h; ++y) {
      const auto [left, right] = layers.windowRows[static_cast<size_t>(y)];
      const Rect row{left, y, right, y + 1};
      if (row.IsEmpty()) continue;
      if (!RotateBilinearCentre(source, static_cast<double>(figures.rollInt), kBlack, turned, row))
        unturned.Blit(Point{left, y}, *layers.ball, row);
    }
    layers.shown = figures;
    layers.showing = true;
  }
  // The window's rows, whole: the target's layer shows round them.
  for (int y = 0; y < h; ++y) {
    const auto [left, right] = layers.windowRows[static_cast<size_t>(y)];
    if (right > left) target.Blit(Point{at.x + left, at.y + y}, *layers.turned, Rect{left, y, right, y + 1});
  }
}

}  // namespace kivu
