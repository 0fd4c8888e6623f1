// The dashboard's paint: panels, tapes, attitude indicator and figures composed on the 572 x 384
// canvas, scaled to the window beside the button strip, the strip with its advertisement, and the
// blinking light. Every surface, bitmap and font made here is released before the paint returns.
#pragma once

#include <string>
#include <vector>

#include "gps/GpsFix.h"
#include "platform/raster/Surface.h"
#include "trip/TripStats.h"
#include "view/DashboardLayout.h"
#include "view/GpsState.h"

namespace kivu {

constexpr Color kCanvasColour{180, 180, 180};
constexpr Color kSubPanelColour{48, 55, 48};
constexpr Color kLightColours[2] = {Color{0, 127, 0}, Color{0, 255, 0}};

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
};

// The flag over the attitude indicator: its rectangle on the canvas and its font.
Rect GpsFlagRect(const DashboardLayout& layout);
FontRecord GpsFlagFont();
constexpr Color kGpsFlagColour{200, 0, 0};

// The strip along the left (wide layout) or bottom edge of a client area, and the rest of it.
Rect ButtonStrip(const ViewLayout& layout, Size client);
Rect DashboardArea(const ViewLayout& layout, Size client);

// Paints the whole client area onto window (a surface on a bitmap of the client's size). lightPhase
// (0 or 1) picks the light's colour and steps on when the light is drawn.
void PaintDashboard(Surface& window, Size client, const DashboardPicture& picture, int& lightPhase);

// Composes the 572 x 384 canvas alone.
void DrawDashboardCanvas(Surface& canvas, const DashboardPicture& picture);

// The button strip's background and advertisement, drawn into the strip's window rectangle.
void DrawAdStrip(Surface& window, const Rect& strip, const DashboardPicture& picture);

// The first column of a long advertisement in the upright strip: the break position k, or -1 when the
// first n characters hold no blank (text of length > n).
int AdBreakPosition(const std::string& text, int n);

}  // namespace kivu
