#include "view/DashboardPaint.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <optional>

#include "trip/TripMath.h"
#include "view/Tapes.h"

namespace kivu {

namespace {

// One of the sub-panels: drawn on its own surface over its fill colour, then copied onto the canvas
// whole (nothing on a tape is black, which a copy keyed on black would have let through).
template <typename Draw>
void DrawSubPanel(Surface& canvas, const Rect& rect, Color fill, const FontRecord& font,
                  std::optional<Bitmap>& bitmap, Draw draw) {
  if (!EnsureBitmap(bitmap, static_cast<int>(rect.Width()), static_cast<int>(rect.Height()))) return;
  Surface panel(*bitmap);
  panel.SelectFont(Font::Create(font));
  panel.FillRect(bitmap->Bounds(), fill);
  draw(panel, bitmap->Width(), bitmap->Height());
  canvas.Blit(Point{rect.left, rect.top}, *bitmap, bitmap->Bounds());
}

// A tape's white frame as connected lines (the last point not drawn).
void Frame(Surface& s, std::initializer_list<Point> points) {
  s.DrawPolyline(std::span<const Point>(points.begin(), points.size()));
}

// The GPS state's flag across the top of the attitude indicator: white capitals on red, as an
// instrument's failure flag.
void DrawGpsFlag(Surface& canvas, const DashboardLayout& l, const DashboardPicture& picture,
                 const DashboardColours& c) {
  GpsFlagText buffer;
  const char* text = GpsStateFlag(picture.gpsState, picture.lostSeconds, buffer);
  if (!*text) return;
  SurfaceStateSaver saver(canvas);
  Rect flag = GpsFlagRect(l);
  canvas.FillRect(flag, c.flag);
  canvas.SelectFont(Font::Create(l.scale.Font(GpsFlagFont())));
  canvas.SetTextColor(c.flagText);
  canvas.SetBackgroundMode(BackgroundMode::Transparent);
  canvas.DrawText(text, flag, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// What of a panel a drawing puts on it: its fixed words, or its figures.
enum class PanelPart { Words, Figures };

void DrawStatisticsPanels(Surface& canvas, const DashboardLayout& l, const TripStats& t, PanelPart part,
                          uint32_t figures, const DashboardColours& c) {
  struct Panel {
    uint32_t group;
    const Rect& rect;
    const char* label;
    const char* legend;  // null: the value goes centred in the whole panel
    std::array<char, 48> values;
  };
  auto format = [](const char* f, auto... args) {
    std::array<char, 48> text;
    std::snprintf(text.data(), text.size(), f, args...);
    return text;
  };
  const auto [hours, minutes] = ShownDuration(t);
  const Panel panels[] = {
      {kDistancePanel, l.distanceRect, "Distance", nullptr, format("\n%d", t.distanceInt)},
      {kDurationPanel, l.durationRect, "Duration", nullptr, format("\n%.2d:%.2d", hours, minutes)},
      {kSpeedPanel, l.speedStatsRect, "Speed", "\n MAX\n AVG",
       format("%d\n%d", t.maxSpeedInt, t.avgSpeedInt)},
      {kAltitudePanel, l.altitudeStatsRect, "Altitude", "\n MIN\n MAX\n GAP",
       format("%d\n%d\n%d", t.minAltitudeInt, t.maxAltitudeInt, t.altitudeGapInt)},
      {kPitchPanel, l.pitchStatsRect, "Pitch", "\n MIN\n MAX", format("%d\n%d", t.pitchMin, t.pitchMax)},
      {kRollPanel, l.rollStatsRect, "Roll", "\n MIN\n MAX", format("%d\n%d", t.rollMin, t.rollMax)},
  };
  const DashboardScale& s = l.scale;
  for (const Panel& p : panels) {
    if (!(figures & p.group)) continue;
    if (part == PanelPart::Words) {
      canvas.SetTextColor(c.label);
      canvas.DrawText(p.label, p.rect, DT_CENTER);
      if (p.legend) canvas.DrawText(p.legend, p.rect, DT_LEFT);
      continue;
    }
    canvas.SetTextColor(c.figure);
    if (!p.legend) {
      canvas.DrawText(p.values.data(), p.rect, DT_CENTER);
      continue;
    }
    canvas.DrawText(p.values.data(),
                    Rect{p.rect.left + s(50), p.rect.top + s(19), p.rect.right, p.rect.bottom}, DT_LEFT);
  }
}

// The background around the main panel and under its round corners: the panel covers the rest, so
// its large inside is painted once, not twice.
void FillAroundMainPanel(Surface& canvas, const DashboardLayout& l, Color background) {
  const Rect& c = l.canvasRect;
  const Rect p = l.mainPanelRect.Intersected(c);
  if (p.IsEmpty()) return canvas.FillRect(c, background);
  canvas.FillRect(Rect{c.left, c.top, c.right, p.top}, background);
  canvas.FillRect(Rect{c.left, p.bottom, c.right, c.bottom}, background);
  canvas.FillRect(Rect{c.left, p.top, p.left, p.bottom}, background);
  canvas.FillRect(Rect{p.right, p.top, c.right, p.bottom}, background);
  const int corner = l.scale(10);
  for (const Point& at : {Point{p.left, p.top}, Point{p.right - corner, p.top},
                          Point{p.left, p.bottom - corner}, Point{p.right - corner, p.bottom - corner}})
    canvas.FillRect(Rect{at.x, at.y, at.x + corner, at.y + corner}, background);
}

// The trip panels and the clock's, each with the figure groups it shows.
std::array<std::pair<uint32_t, const Rect*>, 7> TripPanels(const DashboardLayout& l) {
  return {{{kDistancePanel, &l.distanceRect},
           {kDurationPanel, &l.durationRect},
           {kSpeedPanel, &l.speedStatsRect},
           {kAltitudePanel, &l.altitudeStatsRect},
           {kPitchPanel, &l.pitchStatsRect},
           {kRollPanel, &l.rollStatsRect},
           {kClockPanel, &l.clockRect}}};
}

// The panels, black with an outline the colour of the background: the main one or not, and of the trip
// panels those of the groups in figures.
void DrawPanels(Surface& canvas, const DashboardLayout& l, bool mainPanel, uint32_t figures,
                const DashboardColours& c) {
  canvas.SelectPen(Pen::Solid(c.canvas, l.lineWidth));
  canvas.SelectBrush(Brush::Solid(c.panel));
  const int corner = l.scale(10);
  if (mainPanel) canvas.DrawRoundRect(l.mainPanelRect, corner, corner);
  for (const auto& [group, rect] : TripPanels(l))
    if (figures & group) canvas.DrawRoundRect(*rect, corner, corner);
}

void DrawTapes(Surface& canvas, const ViewLayout& v, const TripStats& t, bool dim, DashboardBuffers& buffers,
               uint32_t figures, const DashboardColours& c) {
  const ScaleInk ink = c.Scale(dim);
  const DashboardLayout& l = v.dashboard;
  const DashboardScale& scale = l.scale;
  const FontRecord& font = v.labelFont;
  if (figures & kHeadingFigures)
    DrawSubPanel(canvas, l.headingTapeRect, c.subPanel, font, buffers.headingTape,
                 [&](Surface& s, int w, int h) { DrawHeadingTape(s, t.courseInt, w, h, ink, scale); });
  if (figures & kSpeedFigures)
    DrawSubPanel(canvas, l.speedTapeRect, c.subPanel, font, buffers.speedTape,
                 [&](Surface& s, int w, int h) { DrawSpeedTape(s, t.speedInt, w, h, ink, scale); });
  if (figures & kAltitudeFigures)
    DrawSubPanel(canvas, l.altitudeTapeRect, c.subPanel, font, buffers.altitudeTape,
                 [&](Surface& s, int w, int h) { DrawAltitudeTape(s, t.altitudeInt, w, h, ink, scale); });
  if (figures & kVerticalSpeedFigures)
    DrawSubPanel(
        canvas, l.verticalSpeedTapeRect, c.subPanel, font, buffers.verticalSpeedTape,
        [&](Surface& s, int w, int h) { DrawVerticalSpeedTape(s, t.verticalSpeedInt, w, h, ink, scale); });
}

// The attitude sub-panel's layer would be black, so the ball goes onto the canvas directly: what it
// leaves black is what the layer would let show through. Assigned member by member, the font record's
// copy reuses the kept one's memory.
void DrawAttitudeBall(Surface& canvas, const DashboardPicture& picture, bool dim, DashboardBuffers& buffers) {
  const DashboardLayout& l = picture.layout->dashboard;
  AttitudeFigures& figures = buffers.figures;
  figures.pitchInt = picture.stats->pitchInt;
  figures.rollInt = picture.stats->rollInt;
  figures.digitalReadout = picture.digitalReadout;
  figures.readoutFont = picture.layout->readoutFont;
  figures.labelFont = picture.layout->labelFont;
  figures.dimmed = dim;
  figures.colours = &ColoursOf(picture.palette, picture.headUp);
  const Rect& a = l.attitudeRect;
  DrawAttitude(canvas, Point{a.left, a.top}, static_cast<int>(a.Width()), static_cast<int>(a.Height()), l,
               figures, buffers.attitude);
}

// The roll scale and the tapes' frames in white.
void DrawScaleFrames(Surface& canvas, const DashboardLayout& l, const DashboardColours& c) {
  canvas.SelectPen(Pen::Solid(c.label, l.lineWidth));
  canvas.DrawPolyline(l.rollArc);
  for (size_t i = 0; i < l.rollTickInner.size(); ++i)
    canvas.DrawLine(l.rollTickInner[i], l.rollTickOuter[i]);
  const Rect& hd = l.headingTapeRect;
  Frame(canvas,
        {{hd.left, hd.bottom}, {hd.left, hd.top}, {hd.right - 1, hd.top}, {hd.right - 1, hd.bottom + 1}});
  for (const Rect* r : {&l.speedTapeRect, &l.altitudeTapeRect})
    Frame(canvas, {{r->left, r->top},
                   {r->right - 1, r->top},
                   {r->right - 1, r->bottom - 1},
                   {r->left + 1, r->bottom - 1}});
  const Rect& vs = l.verticalSpeedTapeRect;
  Frame(canvas,
        {{vs.right - 1, vs.top}, {vs.left, vs.top}, {vs.left, vs.bottom - 1}, {vs.right - 1, vs.bottom - 1}});
}

// The fixed symbols in yellow over black (the panels' brush); the speed's index marks in the warning's
// red while it is lit. The symbols' pen stays selected for the readout boxes.
void DrawFixedSymbols(Surface& canvas, const DashboardLayout& l, const DashboardColours& c, bool warning) {
  if (warning) {
    ScopedSelection pen(canvas, Pen::Solid(c.warning, l.lineWidth));
    for (const Segment& s : l.speedIndexMarks)
      canvas.DrawLine(s.from, s.to);
  }
  canvas.SelectPen(Pen::Solid(c.symbol, l.lineWidth));
  canvas.DrawRect(l.centreMarkRect);
  canvas.DrawPolygon(l.leftWing);
  canvas.DrawPolygon(l.rightWing);
  canvas.DrawPolygon(l.rollIndex);
  for (const auto* marks : {&l.speedIndexMarks, &l.altitudeIndexMarks, &l.headingIndexMarks}) {
    if (warning && marks == &l.speedIndexMarks) continue;
    for (const Segment& s : *marks)
      canvas.DrawLine(s.from, s.to);
  }
}

// Where the speed tape's index marks are drawn, their pen's width all round.
Rect SpeedIndexMarksRect(const DashboardLayout& l) {
  Rect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (const Segment& s : l.speedIndexMarks)
    for (const Point& p : {s.from, s.to}) {
      r.left = std::min(r.left, p.x - l.lineWidth);
      r.top = std::min(r.top, p.y - l.lineWidth);
      r.right = std::max(r.right, p.x + l.lineWidth + 1);
      r.bottom = std::max(r.bottom, p.y + l.lineWidth + 1);
    }
  return r;
}

// Position and satellites in the labels' font (the design's default font).
void DrawPositionAndSatellites(Surface& canvas, const DashboardLayout& l, const GpsFix& fix, PanelPart part,
                               uint32_t figures, const DashboardColours& c) {
  if (part == PanelPart::Words) {
    canvas.SetTextColor(c.label);
    canvas.DrawText("LAT \nLONG ", l.positionLabelRect, DT_RIGHT);
    canvas.DrawText("SUs \nSVs ", l.satelliteLabelRect, DT_RIGHT);
    return;
  }
  char text[160];
  canvas.SetTextColor(c.figure);
  if (figures & kPositionFigures) {
    std::snprintf(text, sizeof text, "%.4f\n%.4f", fix.latitude, fix.longitude);
    canvas.DrawText(text, l.positionValueRect, DT_LEFT);
  }
  if (figures & kSatelliteFigures) {
    std::snprintf(text, sizeof text, "%.2d\n%.2d", fix.satellitesUsed, fix.satellitesInView);
    canvas.DrawText(text, l.satelliteValueRect, DT_LEFT);
  }
}

// Where the position's and the satellites' figures are blacked out: inside the main panel and clear of
// its outline and round corners (the figures' two lines end well above its foot).
Rect PositionFiguresRect(const DashboardLayout& l, const Rect& figures) {
  const Rect& p = l.mainPanelRect;
  const Rect inside{p.left + l.lineWidth, p.top + l.lineWidth, p.right - l.lineWidth,
                    p.bottom - l.lineWidth - l.scale(5)};
  return figures.Intersected(inside);
}

void ClearPositionAndSatellites(Surface& canvas, const DashboardLayout& l, uint32_t figures, Color panel) {
  if (figures & kPositionFigures) canvas.FillRect(PositionFiguresRect(l, l.positionValueRect), panel);
  if (figures & kSatelliteFigures) canvas.FillRect(PositionFiguresRect(l, l.satelliteValueRect), panel);
}

// The digital readouts over the middle of the tapes, in yellow boxes (the pen of the fixed symbols); the
// speed's box and figure in the warning's red while it is lit.
void DrawReadouts(Surface& canvas, const DashboardLayout& l, const TripStats& t, Color text,
                  const DashboardColours& c, bool warning) {
  canvas.SetTextColor(text);
  const std::pair<const Rect*, int> boxes[] = {{&l.headingBoxRect, t.courseInt},
                                               {&l.altitudeBoxRect, t.altitudeInt},
                                               {&l.verticalSpeedBoxRect, t.verticalSpeedInt}};
  for (const auto& [box, value] : boxes)
    DrawReadout(canvas, *box, value);
  if (!warning) return DrawReadout(canvas, l.speedBoxRect, t.speedInt);
  ScopedSelection pen(canvas, Pen::Solid(c.warning, l.lineWidth));
  canvas.SetTextColor(c.warning);
  DrawReadout(canvas, l.speedBoxRect, t.speedInt);
}

void DrawClock(Surface& canvas, const DashboardLayout& l, int hour, int minute, Color colour) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d", hour, minute);
  canvas.SetTextColor(colour);
  canvas.DrawText(text, l.clockRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace

std::pair<int, int> ShownDuration(const TripStats& t) {
  const int hours = TruncateToInt(t.durationHours);
  return {hours, TruncateToInt((t.durationHours - static_cast<float>(hours)) * 60.0f)};
}

void DashboardBuffers::Prepare(const ViewLayout& layout) {
  const DashboardLayout& l = layout.dashboard;
  ForgetShown();
  const std::pair<std::optional<Bitmap>*, const Rect*> panels[] = {
      {&headingTape, &l.headingTapeRect},
      {&speedTape, &l.speedTapeRect},
      {&altitudeTape, &l.altitudeTapeRect},
      {&verticalSpeedTape, &l.verticalSpeedTapeRect}};
  for (const auto& [bitmap, rect] : panels)
    EnsureBitmap(*bitmap, static_cast<int>(rect->Width()), static_cast<int>(rect->Height()));
  attitude.Prepare(static_cast<int>(l.attitudeRect.Width()), static_cast<int>(l.attitudeRect.Height()), l);
  EnsureBitmap(strip, static_cast<int>(layout.strip.Width()), static_cast<int>(layout.strip.Height()));
}

void PrepareFigureGlyphs(const ViewLayout& layout) {
  constexpr const char* kFigures = "0123456789-+:. NESW";
  for (const FontRecord* record :
       {&layout.labelFont, &layout.readoutFont, &layout.panelFont, &layout.clockFont}) {
    if (auto font = Font::Create(*record)) font->TextWidth(kFigures);
  }
  if (auto flag = Font::Create(layout.dashboard.scale.Font(GpsFlagFont())))
    flag->TextWidth("0123456789 GPSLOTNDAFIXs");
}

Rect GpsFlagRect(const DashboardLayout& layout) {
  const Rect& a = layout.attitudeRect;
  const DashboardScale& s = layout.scale;
  // Under the roll scale's top, wide enough for "GPS LOST 9999 s" at the flag's font.
  int width = std::min(s(170), static_cast<int>(a.Width()));
  int left = a.left + (static_cast<int>(a.Width()) - width) / 2;
  return Rect{left, a.top + s(44), left + width, a.top + s(70)};
}

FontRecord GpsFlagFont() {
  FontRecord font;
  font.height = -18;
  font.weight = 700;
  return font;
}

Rect ButtonStrip(const ViewLayout& layout) {
  return layout.strip;
}

Rect DashboardArea(const ViewLayout& layout) {
  return layout.area;
}

void DrawDashboardCanvas(Surface& canvas, const DashboardPicture& picture) {
  DashboardBuffers buffers;
  DrawDashboardCanvas(canvas, picture, buffers);
}

void DrawDashboardCanvas(Surface& canvas, const DashboardPicture& picture, DashboardBuffers& buffers) {
  DrawDashboardCanvas(canvas, picture, buffers, DashboardLayers::Whole);
}

void DrawDashboardCanvas(Surface& canvas, const DashboardPicture& picture, DashboardBuffers& buffers,
                         DashboardLayers layers, uint32_t figures) {
  const ViewLayout& v = *picture.layout;
  const DashboardLayout& l = v.dashboard;
  const TripStats& t = *picture.stats;
  // Without a fix the figures of the tapes and readouts are the last known ones: dimmed.
  const bool dim = picture.gpsState != GpsState::Fix;
  // The figures alone go over the dashboard as the last whole paint left it: what shows a changed
  // figure is drawn whole (a tape, the ball, a trip panel) or blacked out first (position, satellites);
  // the background and the main panel stay. The lines and boxes drawn over the tapes and the ball are
  // drawn again whenever one of those is.
  const DashboardColours& c = ColoursOf(picture.palette, picture.headUp);
  const bool figuresOnly = layers == DashboardLayers::Figures;
  const uint32_t f = figuresOnly ? figures : kAllFigures;
  const bool instruments = (f & kInstrumentFigures) != 0;
  SurfaceStateSaver saver(canvas);
  canvas.SetBackgroundMode(BackgroundMode::Transparent);
  if (figuresOnly) {
    ClearPositionAndSatellites(canvas, l, f, c.panel);
  } else {
    FillAroundMainPanel(canvas, l, c.canvas);
  }
  DrawPanels(canvas, l, !figuresOnly, f, c);
  if (!figuresOnly) {
    canvas.SelectFont(Font::Create(v.labelFont));
    DrawPositionAndSatellites(canvas, l, *picture.currentFix, PanelPart::Words, f, c);
  }
  canvas.SelectFont(Font::Create(v.panelFont));
  DrawStatisticsPanels(canvas, l, t, PanelPart::Words, f, c);
  DrawTapes(canvas, v, t, dim, buffers, f, c);
  if (f & kAttitudeFigures) DrawAttitudeBall(canvas, picture, dim, buffers);
  if (instruments) {
    DrawScaleFrames(canvas, l, c);
    DrawFixedSymbols(canvas, l, c, picture.speedWarning);
  }
  canvas.SelectFont(Font::Create(v.labelFont));
  DrawPositionAndSatellites(canvas, l, *picture.currentFix, PanelPart::Figures, f, c);
  canvas.SelectFont(Font::Create(v.readoutFont));
  if (picture.digitalReadout && instruments)
    DrawReadouts(canvas, l, t, c.Readout(dim), c, picture.speedWarning);
  canvas.SelectFont(Font::Create(v.panelFont));
  DrawStatisticsPanels(canvas, l, t, PanelPart::Figures, f, c);
  canvas.SelectFont(Font::Create(v.clockFont));
  if (f & kClockPanel) DrawClock(canvas, l, picture.hour, picture.minute, c.label);
  if (f & (kAttitudeFigures | kGpsFlagFigures)) DrawGpsFlag(canvas, l, picture, c);
}

uint32_t ChangedFigures(const DrawnFigures& shown, const DrawnFigures& now) {
  if (shown.gpsState != now.gpsState || !shown.SameLook(now)) return kAllFigures;
  const TripStats& a = shown.stats;
  const TripStats& b = now.stats;
  uint32_t changed = 0;
  auto mark = [&changed](uint32_t group, bool differs) {
    if (differs) changed |= group;
  };
  mark(kHeadingFigures, a.courseInt != b.courseInt);
  mark(kSpeedFigures, a.speedInt != b.speedInt || shown.speedWarning != now.speedWarning);
  mark(kAltitudeFigures, a.altitudeInt != b.altitudeInt);
  mark(kVerticalSpeedFigures, a.verticalSpeedInt != b.verticalSpeedInt);
  mark(kAttitudeFigures, a.pitchInt != b.pitchInt || a.rollInt != b.rollInt);
  mark(kDistancePanel, a.distanceInt != b.distanceInt);
  mark(kDurationPanel, ShownDuration(a) != ShownDuration(b));
  mark(kSpeedPanel, a.maxSpeedInt != b.maxSpeedInt || a.avgSpeedInt != b.avgSpeedInt);
  mark(kAltitudePanel, a.minAltitudeInt != b.minAltitudeInt || a.maxAltitudeInt != b.maxAltitudeInt ||
                           a.altitudeGapInt != b.altitudeGapInt);
  mark(kPitchPanel, a.pitchMin != b.pitchMin || a.pitchMax != b.pitchMax);
  mark(kRollPanel, a.rollMin != b.rollMin || a.rollMax != b.rollMax);
  mark(kClockPanel, shown.hour != now.hour || shown.minute != now.minute);
  // As printed, so that a position that is not a number compares as itself.
  mark(kPositionFigures,
       std::bit_cast<uint64_t>(shown.latitude) != std::bit_cast<uint64_t>(now.latitude) ||
           std::bit_cast<uint64_t>(shown.longitude) != std::bit_cast<uint64_t>(now.longitude));
  mark(kSatelliteFigures,
       shown.satellitesUsed != now.satellitesUsed || shown.satellitesInView != now.satellitesInView);
  mark(kGpsFlagFigures, shown.lostSeconds != now.lostSeconds);
  return changed;
}

size_t FigureRects(const ViewLayout& layout, uint32_t figures, std::array<Rect, kMaxFigureRects>& rects) {
  const DashboardLayout& l = layout.dashboard;
  size_t count = 0;
  auto add = [&](const Rect& rect) {
    if (!rect.IsEmpty() && count < rects.size()) rects[count++] = rect;
  };
  const std::pair<uint32_t, const Rect*> tapes[] = {{kHeadingFigures, &l.headingTapeRect},
                                                    {kSpeedFigures, &l.speedTapeRect},
                                                    {kAltitudeFigures, &l.altitudeTapeRect},
                                                    {kVerticalSpeedFigures, &l.verticalSpeedTapeRect},
                                                    {kAttitudeFigures, &l.attitudeRect}};
  for (const auto& [group, rect] : tapes)
    if (figures & group) add(*rect);
  // The marks reach beyond the tape, across the gap and onto the ball.
  if (figures & kSpeedFigures) add(SpeedIndexMarksRect(l));
  if (figures & kInstrumentFigures) {
    for (const Rect* box : {&l.headingBoxRect, &l.speedBoxRect, &l.altitudeBoxRect, &l.verticalSpeedBoxRect})
      add(*box);
  }
  for (const auto& [group, rect] : TripPanels(l))
    if (figures & group) add(*rect);
  if (figures & kPositionFigures) add(PositionFiguresRect(l, l.positionValueRect));
  if (figures & kSatelliteFigures) add(PositionFiguresRect(l, l.satelliteValueRect));
  if (figures & (kAttitudeFigures | kGpsFlagFigures)) add(GpsFlagRect(l));
  add(layout.lightRect);
  return count;
}

int AdBreakPosition(const std::string& text, int n) {
  if (n < 0) n = 0;
  if (static_cast<size_t>(n) < text.size() && text[static_cast<size_t>(n)] == ' ') return n;
  size_t limit = std::min(static_cast<size_t>(n), text.size());
  size_t blank = text.rfind(' ', limit == 0 ? 0 : limit - 1);
  if (limit == 0 || blank == std::string::npos) return -1;
  return static_cast<int>(blank);
}

void DrawAdStrip(Surface& window, const Rect& strip, const DashboardPicture& picture) {
  std::optional<Bitmap> bitmap;
  DrawAdStrip(window, strip, picture, bitmap);
}

void DrawAdStrip(Surface& window, const Rect& strip, const DashboardPicture& picture,
                 std::optional<Bitmap>& bitmap) {
  const ViewLayout& v = *picture.layout;
  const DashboardScale& b = v.stripScale;
  if (!EnsureBitmap(bitmap, static_cast<int>(strip.Width()), static_cast<int>(strip.Height()))) return;
  Surface s(*bitmap);
  const DashboardColours& c = ColoursOf(picture.palette, picture.headUp);
  s.FillRect(bitmap->Bounds(), c.canvas);
  s.SetBackgroundMode(BackgroundMode::Transparent);
  const Rect& ad = v.adRect;
  const std::vector<std::string>* texts = picture.adTexts;
  if (picture.displayAd && !ad.IsEmpty() && texts && !texts->empty()) {
    s.DrawFrame3D(ad, c.frameShadow, c.frameLight);
    s.SetTextColor(c.adText);
    s.SelectFont(Font::Create(v.adFont));
    size_t index = picture.adIndex >= 0 && static_cast<size_t>(picture.adIndex) < texts->size()
                       ? static_cast<size_t>(picture.adIndex)
                       : 0;
    const std::string& text = (*texts)[index];
    if (v.wideLayout) {
      // Upright text in one column, or two when the text is longer than a column holds.
      Rect r{ad.left + b(2), ad.top + b(4), ad.right, ad.bottom - b(4)};
      int n = static_cast<int>(ad.Height() / std::max(1, b(7)));
      if (static_cast<int>(text.size()) > n) {
        int k = AdBreakPosition(text, n);
        if (k > 0)
          s.DrawTextAt(Point{r.left, r.bottom}, std::string_view(text).substr(0, static_cast<size_t>(k)), r);
        size_t rest = k < 0 ? 0 : static_cast<size_t>(k) + 1;  // after the break character
        if (rest < text.size())
          s.DrawTextAt(Point{r.left + b(15), r.bottom}, std::string_view(text).substr(rest), r);
      } else {
        s.DrawTextAt(Point{r.left, r.bottom}, text, r);
      }
    } else {
      s.DrawText(text, Rect{ad.left + b(4), ad.top + b(1), ad.right - b(4), ad.bottom - b(1)},
                 DT_LEFT | DT_WORDBREAK);
    }
  }
  window.Blit(Point{strip.left, strip.top}, *bitmap, bitmap->Bounds());
}

void MirrorLeftToRight(Bitmap& bitmap, const Rect& rect) {
  const Rect r = rect.Intersected(bitmap.Bounds());
  for (int y = r.top; y < r.bottom; ++y)
    std::reverse(bitmap.Row(y) + r.left, bitmap.Row(y) + r.right);
}

DrawnFigures DrawnFigures::Of(const DashboardPicture& picture) {
  DrawnFigures f;
  f.stats = *picture.stats;
  f.latitude = picture.currentFix->latitude;
  f.longitude = picture.currentFix->longitude;
  f.satellitesUsed = picture.currentFix->satellitesUsed;
  f.satellitesInView = picture.currentFix->satellitesInView;
  f.hour = picture.hour;
  f.minute = picture.minute;
  f.gpsState = picture.gpsState;
  f.lostSeconds = picture.lostSeconds;
  f.digitalReadout = picture.digitalReadout;
  f.palette = picture.palette;
  f.headUp = picture.headUp;
  f.speedWarning = picture.speedWarning;
  return f;
}

void PaintDashboard(Surface& window, Size client, const DashboardPicture& picture, int& lightPhase) {
  DashboardBuffers buffers;
  PaintDashboard(window, client, picture, lightPhase, buffers);
}

void PaintDashboard(Surface& window, Size /*client*/, const DashboardPicture& picture, int& lightPhase,
                    DashboardBuffers& buffers) {
  const ViewLayout& v = *picture.layout;
  // The dashboard is drawn straight into the window's pixels at their own resolution, unless they
  // show these very figures already (a repaint for the light, the advertisement or an exposure).
  const Bitmap* target = window.SelectedBitmap();
  const DrawnFigures figures = DrawnFigures::Of(picture);
  const bool kept = target && target == buffers.keptWindow;
  if (picture.headUp) {
    // Mirrored for the windscreen, which turns it back: drawn whole each time, as a mirrored image can
    // take no figures drawn over it the right way round.
    DrawDashboardCanvas(window, picture, buffers, DashboardLayers::Whole);
    if (Bitmap* bitmap = window.SelectedBitmap()) MirrorLeftToRight(*bitmap, v.area);
  } else if (!kept || !buffers.shown || !buffers.shownFigures.SameLook(figures)) {
    DrawDashboardCanvas(window, picture, buffers, DashboardLayers::Whole);
  } else if (const uint32_t changed = ChangedFigures(buffers.shownFigures, figures)) {
    // New figures on the window's own image, which holds the rest of the dashboard already.
    DrawDashboardCanvas(window, picture, buffers, DashboardLayers::Figures, changed);
  }
  buffers.shown = kept && !picture.headUp;
  buffers.shownFigures = figures;

  DrawAdStrip(window, v.strip, picture, buffers.strip);

  if (picture.blinkingLight) {
    ScopedSelection brush(window,
                          Brush::Solid(ColoursOf(picture.palette, picture.headUp).light[lightPhase & 1]));
    window.DrawEllipse(v.lightRect);
    // The light blinks with the fixes; without one it holds still.
    if (picture.gpsState == GpsState::Fix) lightPhase = lightPhase == 0 ? 1 : 0;
  }
}

}  // namespace kivu
