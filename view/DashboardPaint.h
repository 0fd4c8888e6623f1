// The dashboard's paint: panels, tapes, attitude indicator and figures drawn at the window's own
// resolution beside the button strip, the strip with its advertisement, and the blinking light. The paint
// allocates nothing: its bitmaps are made with the layout and kept while the client size lasts, and the
// surfaces, pens, brushes and fonts it selects are restored before it returns.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gps/GpsFix.h"
#include "platform/raster/Bitmap.h"
#include "platform/raster/Surface.h"
#include "trip/TripStats.h"
#include "view/Attitude.h"
#include "view/DashboardLayout.h"
#include "view/GpsState.h"
#include "view/PaletteChoice.h"

namespace kivu {

constexpr Color kCanvasColour{180, 180, 180};
constexpr Color kSubPanelColour{48, 55, 48};
constexpr Color kLightColours[2] = {Color{0, 127, 0}, Color{0, 255, 0}};

// The trip's duration as its panel shows it: whole hours and minutes.
std::pair<int, int> ShownDuration(const TripStats& t);

// Everything one paint reads.
struct DashboardPicture {
  const ViewLayout* layout = nullptr;
  const TripStats* stats = nullptr;
  const GpsFix* currentFix = nullptr;
  bool digitalReadout = true;
  bool displayAd = true;
  bool blinkingLight = true;
  const std::vector<std::string>* adTexts = nullptr;
  int adIndex = 0;
  // The local time of the clock panel; -1 in a field whose conversion failed.
  int hour = -1;
  int minute = -1;
  // Anything but Fix puts a flag over the attitude indicator, dims the live figures and holds the
  // light still; the trip panels keep their values. lostSeconds is the age shown in "GPS LOST".
  GpsState gpsState = GpsState::Fix;
  int64_t lostSeconds = 0;
  // The colours to paint in, and whether the picture is mirrored left to right to be read in the
  // windscreen.
  Palette palette = Palette::kDay;
  bool headUp = false;
  // The speed readout and the speed tape's index marks in the palette's warning red: the car is above
  // the speed limit and the warning's blink is in its lit half.
  bool speedWarning = false;
};

// The figures a paint of the dashboard shows: a paint into the view's own window image that has
// these figures to show, and the image shows them already, draws the strip and the light alone.
struct DrawnFigures {
  static DrawnFigures Of(const DashboardPicture& picture);
  // Drawn alike apart from the figures: the same readout setting and palette. Another look repaints
  // the whole dashboard.
  bool SameLook(const DrawnFigures& o) const {
    return digitalReadout == o.digitalReadout && palette == o.palette && headUp == o.headUp;
  }

  TripStats stats;
  double latitude = 0;
  double longitude = 0;
  int satellitesUsed = 0;
  int satellitesInView = 0;
  int hour = -1;
  int minute = -1;
  GpsState gpsState = GpsState::Fix;
  int64_t lostSeconds = 0;
  bool digitalReadout = true;
  Palette palette = Palette::kDay;
  bool headUp = false;
  bool speedWarning = false;
};

// What a paint draws in, kept from paint to paint: each bitmap is made at the first paint that needs
// it and again only when its size changes, none zeroed (the paint covers each whole), so that a
// paint of an unchanged size allocates nothing.
struct DashboardBuffers {
  // Makes them all for a layout now (as the layout is computed), rather than at the next paint.
  void Prepare(const ViewLayout& layout);

  // A window image that only these buffers' paints write (the view's own), so that what a paint drew
  // into it is still there at the next paint; none for any other target.
  const Bitmap* keptWindow = nullptr;
  bool shown = false;  // keptWindow's dashboard area shows shownFigures at the current layout
  DrawnFigures shownFigures;
  // Forgets what keptWindow shows (a new image, a new layout).
  void ForgetShown() { shown = false; }
  std::optional<Bitmap> headingTape, speedTape, altitudeTape, verticalSpeedTape;
  std::optional<Bitmap> strip;
  AttitudeLayers attitude;
  AttitudeFigures figures;
};

// Renders, in each of the layout's fonts, the glyphs its figures are made of (digits, signs, the
// compass letters, the flags' words), so that a paint finds them made whatever figures come: a new
// size's glyphs are made with its layout, not one by one as the figures first show them.
void PrepareFigureGlyphs(const ViewLayout& layout);

// The flag over the attitude indicator: its rectangle on the canvas and its font.
Rect GpsFlagRect(const DashboardLayout& layout);
FontRecord GpsFlagFont();
constexpr Color kGpsFlagColour{200, 0, 0};

// The strip along the left (wide layout) or bottom edge of the layout's client area, and the rest of it.
Rect ButtonStrip(const ViewLayout& layout);
Rect DashboardArea(const ViewLayout& layout);

// Paints the whole client area onto window (a surface on a bitmap of the client's size), the dashboard
// drawn straight into the window's pixels at their resolution. lightPhase (0 or 1) picks the light's colour
// and steps on when the light is drawn. Without buffers, the paint makes its own for the one call.
void PaintDashboard(Surface& window, Size client, const DashboardPicture& picture, int& lightPhase);
void PaintDashboard(Surface& window, Size client, const DashboardPicture& picture, int& lightPhase,
                    DashboardBuffers& buffers);

// Composes the dashboard alone, where the layout puts it (the design's canvas at the design size).
void DrawDashboardCanvas(Surface& canvas, const DashboardPicture& picture);
void DrawDashboardCanvas(Surface& canvas, const DashboardPicture& picture, DashboardBuffers& buffers);
// Whole: everything. Figures: what changes with the figures, over a canvas that a whole drawing of
// the same layout and readout setting left (the background, the main panel and the position's words
// stay): of them, the groups in figures (FigureGroup bits).
enum class DashboardLayers { Whole, Figures };
void DrawDashboardCanvas(Surface& canvas, const DashboardPicture& picture, DashboardBuffers& buffers,
                         DashboardLayers layers, uint32_t figures = ~uint32_t{0});

// The parts of the dashboard that a figure repaint draws again on their own: a tape with its figure,
// the ball, a trip panel, the position's or the satellites' figures, the flag. A 1 Hz receiver changes
// a few of them a second, and only they are drawn and shown again.
enum FigureGroup : uint32_t {
  kHeadingFigures = 1u << 0,
  kSpeedFigures = 1u << 1,
  kAltitudeFigures = 1u << 2,
  kVerticalSpeedFigures = 1u << 3,
  kAttitudeFigures = 1u << 4,
  kDistancePanel = 1u << 5,
  kDurationPanel = 1u << 6,
  kSpeedPanel = 1u << 7,
  kAltitudePanel = 1u << 8,
  kPitchPanel = 1u << 9,
  kRollPanel = 1u << 10,
  kClockPanel = 1u << 11,
  kPositionFigures = 1u << 12,
  kSatelliteFigures = 1u << 13,
  kGpsFlagFigures = 1u << 14,
  kAllFigures = (1u << 15) - 1,
  // What the scale frames, the fixed symbols and the readout boxes are drawn over.
  kInstrumentFigures =
      kHeadingFigures | kSpeedFigures | kAltitudeFigures | kVerticalSpeedFigures | kAttitudeFigures,
};
// The groups whose figures differ between two pictures (the speed's also when the speed warning's red
// comes or goes). Another GPS state or readout setting changes how all of them are drawn: all.
uint32_t ChangedFigures(const DrawnFigures& shown, const DrawnFigures& now);
// The rectangles of the window that a figure repaint of these groups changes (the light's among them,
// which every paint steps on); at most kMaxFigureRects.
inline constexpr size_t kMaxFigureRects = 24;
size_t FigureRects(const ViewLayout& layout, uint32_t figures, std::array<Rect, kMaxFigureRects>& rects);

// The button strip's background and advertisement, drawn into the strip's window rectangle through a
// bitmap of the strip's size.
void DrawAdStrip(Surface& window, const Rect& strip, const DashboardPicture& picture);
void DrawAdStrip(Surface& window, const Rect& strip, const DashboardPicture& picture,
                 std::optional<Bitmap>& bitmap);

// Turns the pixels of rect (clipped to the bitmap) round left to right, as a windscreen shows them.
void MirrorLeftToRight(Bitmap& bitmap, const Rect& rect);

// The first column of a long advertisement in the upright strip: the break position k, or -1 when the
// first n characters hold no blank (text of length > n).
int AdBreakPosition(const std::string& text, int n);

}  // namespace kivu
