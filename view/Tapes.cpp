#include "view/Tapes.h"

#include <cinttypes>
#include <cstdio>

namespace kivu {

namespace {

constexpr unsigned kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

// The pen, text colour and transparent text background every scale draws with; everything is
// put back when the scale is done.
class ScaleDrawing {
 public:
  ScaleDrawing(Surface& surface, ScaleInk ink, const DashboardScale& scale)
      : saver_(surface), surface_(surface) {
    surface.SetTextColor(ink.label);
    surface.SetBackgroundMode(BackgroundMode::Transparent);
    surface.SelectPen(Pen::Solid(ink.line, scale.LineWidth()));
  }
  void Line(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    surface_.DrawLine(Point{static_cast<int>(x0), static_cast<int>(y0)},
                      Point{static_cast<int>(x1), static_cast<int>(y1)});
  }
  void Label(const char* text, int64_t left, int64_t top, int64_t right, int64_t bottom) {
    surface_.DrawText(text,
                      Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                           static_cast<int>(bottom)},
                      kCentred);
  }

 private:
  SurfaceStateSaver saver_;
  Surface& surface_;
};

// The value rounded toward zero to a multiple of 5; the eleven graduations are c + 25 down to c - 25.
// Values are widened so that any int gives a drawable scale.
int64_t GraduationBase(int value) {
  return int64_t{value} / 5 * 5;
}

// A graduation is drawn only where it can show: its offset from the middle line is at most 30 units
// of 6 pixels, so positions always fit an int; a label is formatted from the widened value.
void Format(char* text, size_t size, const char* format, int64_t value) {
  std::snprintf(text, size, format, value);
}

enum class TickSide { Right, Left };

void DrawVerticalTape(Surface& surface, int value, int w, int h, TickSide side, const char* format,
                      bool magnitude, ScaleInk ink, const DashboardScale& s) {
  ScaleDrawing scale(surface, ink, s);
  int64_t v = value;
  int64_t c = GraduationBase(value);
  for (int64_t d = c + 25; d >= c - 25; d -= 5) {
    int64_t y = h / 2 + s(6.0 * static_cast<double>(v - d));
    const bool labelled = d % 10 == 0;
    const int len = s(labelled ? 10 : 5);
    if (side == TickSide::Right) {
      scale.Line(w - len, y, w, y);
    } else {
      scale.Line(len, y, 0, y);
    }
    if (!labelled) continue;
    char text[32];
    Format(text, sizeof text, format, magnitude && d < 0 ? -d : d);
    if (side == TickSide::Right) {
      scale.Label(text, 0, y - s(6), w - s(10), y + s(6));
    } else {
      scale.Label(text, s(12), y - s(6), w, y + s(6));
    }
  }
}

}  // namespace

void DrawSpeedTape(Surface& surface, int speedInt, int w, int h, ScaleInk ink, const DashboardScale& scale) {
  DrawVerticalTape(surface, speedInt, w, h, TickSide::Right, "%.3" PRId64, true, ink, scale);
}

void DrawAltitudeTape(Surface& surface, int altitudeInt, int w, int h, ScaleInk ink,
                      const DashboardScale& scale) {
  DrawVerticalTape(surface, altitudeInt, w, h, TickSide::Right, "%.3" PRId64, false, ink, scale);
}

void DrawVerticalSpeedTape(Surface& surface, int verticalSpeedInt, int w, int h, ScaleInk ink,
                           const DashboardScale& scale) {
  DrawVerticalTape(surface, verticalSpeedInt, w, h, TickSide::Left, "%.2" PRId64, false, ink, scale);
}

void DrawHeadingTape(Surface& surface, int courseInt, int w, int /*h*/, ScaleInk ink,
                     const DashboardScale& s) {
  ScaleDrawing scale(surface, ink, s);
  int64_t v = courseInt;
  int64_t c = GraduationBase(courseInt);
  for (int64_t d = c + 25; d >= c - 25; d -= 5) {
    // The position stays unwrapped, so the scale runs on through north; the label wraps.
    int64_t x = w / 2 + s(5.0 * static_cast<double>(d - v) - 1);
    int64_t degrees = d;
    if (degrees < 0) degrees += 360;
    if (degrees >= 360) degrees -= 360;
    const bool labelled = degrees % 10 == 0;
    const int len = s(labelled ? 10 : 5);
    scale.Line(x, 0, x, len);
    if (!labelled) continue;
    char text[32];
    const char* letter = degrees == 0     ? "N"
                         : degrees == 90  ? "E"
                         : degrees == 180 ? "S"
                         : degrees == 270 ? "W"
                                          : nullptr;
    if (letter) {
      std::snprintf(text, sizeof text, "%s", letter);
    } else {
      Format(text, sizeof text, "%" PRId64, degrees);
    }
    scale.Label(text, x - s(10), s(12), x + s(10), s(24));
  }
}

void DrawPitchLadder(Surface& surface, int pitchInt, int w, int h, const DashboardScale& s, ScaleInk ink) {
  ScaleDrawing scale(surface, ink, s);
  scale.Line(0, 0, w, 0);
  scale.Line(0, h - 1, w, h - 1);
  int64_t v = pitchInt;
  int64_t c = GraduationBase(pitchInt);
  const int mark = s(10);
  for (int64_t d = c + 25; d >= c - 25; d -= 5) {
    int64_t y = h / 2 + s(5.0 * static_cast<double>(v - d));
    const bool labelled = d != 0 && d % 10 == 0;
    const int len = d == 0 ? w : s(labelled ? 41 : 21);
    scale.Line((w - len) / 2, y, (w + len) / 2, y);
    if (y + s(12) < h) scale.Line((w - mark) / 2, y + s(12), (w + mark) / 2, y + s(12));
    if (!labelled) continue;
    char text[32];
    Format(text, sizeof text, "%.2" PRId64, d);
    scale.Label(text, w / 2 - s(60), y - s(6), w / 2 - s(30), y + s(6));
    scale.Label(text, w / 2 + s(30), y - s(6), w / 2 + s(60), y + s(6));
  }
}

void DrawReadout(Surface& surface, const Rect& box, int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  surface.DrawRect(box);
  surface.DrawText(text, box, DT_CENTER | DT_VCENTER);
}

}  // namespace kivu
