#include "view/Attitude.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "view/Bilinear.h"
#include "view/Dib.h"
#include "view/Tapes.h"

namespace kivu {

namespace {

constexpr Color kBlack{0, 0, 0};
constexpr Color kWhite{255, 255, 255};
constexpr Color kYellow{255, 255, 0};
constexpr Color kGreen{0, 255, 0};

// A row clamped into the range where it still means "above everything" or "below everything".
int ClampRow(int64_t row, int h) {
  return static_cast<int>(std::clamp<int64_t>(row, -1, int64_t{h} + 1));
}

void DrawReadout(Surface& ball, const Rect& box, int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  ball.DrawRect(box);
  ball.DrawText(text, box, DT_CENTER | DT_VCENTER);
}

}  // namespace

void DrawAttitude(Surface& target, int w, int h, const DashboardLayout& layout,
                  const AttitudeFigures& figures) {
  const Rect& ladderRect = layout.pitchLadderRect;
  std::optional<Bitmap> ladderBitmap =
      Bitmap::Create(static_cast<int>(ladderRect.Width()), static_cast<int>(ladderRect.Height()));
  std::optional<Bitmap> ballBitmap = Bitmap::Create(w, h);
  if (!ladderBitmap || !ballBitmap) return;
  Surface ladder(*ladderBitmap);
  Surface ball(*ballBitmap);

  // Sky above the horizon row, ground below it: 5 pixels a degree of pitch from the middle.
  ladder.FillRect(ladderBitmap->Bounds(), kBlack);
  int horizon = ClampRow(int64_t{figures.pitchInt} * 5 + h / 2, h);
  ball.FillRect(Rect{0, 0, w, horizon}, kSkyColour);
  ball.FillRect(Rect{0, horizon, w, h}, kGroundColour);

  {
    ScopedSelection yellow(ball, Pen::Solid(kYellow));
    ball.DrawPolyline(layout.rollPointer);
    DrawPitchLadder(ladder, figures.pitchInt, ladderBitmap->Width(), ladderBitmap->Height());
    ball.BlitTransparent(Point{ladderRect.left, ladderRect.top}, *ladderBitmap, ladderBitmap->Bounds(),
                         kBlack);
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

  // The ball as an image (it starts black, so the keyed copy is exact), turned by the roll and cut back
  // to the square around its centre.
  CDib image;
  if (!image.Create(w, h)) return;
  Surface* imageDC = image.GetDC();
  imageDC->BlitTransparent(Point{0, 0}, *ballBitmap, ballBitmap->Bounds(), kBlack);
  std::unique_ptr<CDib> rotated;
  if (RotateBilinear(image, static_cast<double>(figures.rollInt), kBlack, rotated)) {
    imageDC->Blit(Point{0, 0}, *rotated->bitmap,
                  Rect{(rotated->width - w) / 2, (rotated->height - h) / 2, (rotated->width - w) / 2 + w,
                       (rotated->height - h) / 2 + h});
    rotated.reset();
  }

  // The window: a white disc cut to the columns within the half-width either side of the middle, on
  // black; ANDed with the image it leaves the ball inside the window and black outside.
  {
    SurfaceStateSaver saver(ball);
    ball.FillRect(Rect{0, 0, w, h}, kBlack);
    ball.SelectPen(Pen::Solid(kBlack));
    ball.SelectBrush(Brush::Solid(kWhite));
    ball.DrawEllipse(Rect{0, 0, w, h});
    ball.FillRect(Rect{0, 0, w / 2 - layout.attitudeWindowHalfWidth, h}, kBlack);
    ball.FillRect(Rect{w / 2 + layout.attitudeWindowHalfWidth, 0, w, h}, kBlack);
  }
  ball.Blit(Point{0, 0}, *image.bitmap, Rect{0, 0, w, h}, RasterOp::SrcAnd);
  image.ReleaseDC();
  image.Destroy();

  target.BlitTransparent(Point{0, 0}, *ballBitmap, Rect{0, 0, w, h}, kBlack);
}

}  // namespace kivu
