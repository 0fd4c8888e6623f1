// The colours the dashboard draws its pens, frames and texts in, named once for the paint, the tapes
// and the attitude indicator, and the palettes that give them by day, at dusk, at night and for a
// head-up display.
#pragma once

#include <cstdint>
#include <span>

#include "platform/raster/Geometry.h"
#include "view/PaletteChoice.h"

namespace kivu {

// The day's colours, which are the design's.
// Black fills the panels and readout boxes and is the transparent key of the sub-panel copies.
constexpr Color kBlack{0, 0, 0};
// Tape frames, the roll scale, labels and the clock.
constexpr Color kWhite{255, 255, 255};
// The fixed symbols: centre mark, wings, roll index, index marks and readout boxes.
constexpr Color kYellow{255, 255, 0};
// The figures of the statistics, position and satellite panels.
constexpr Color kCyan{0, 255, 255};
// The digital readouts.
constexpr Color kGreen{0, 255, 0};

// Figures that are no longer live (the GPS has no fix) are drawn in these instead of white labels and
// green readouts: still readable, plainly not current.
constexpr Color kDimmedLabelColour{110, 110, 110};
constexpr Color kDimmedReadoutColour{0, 120, 0};

// What a tape or the pitch ladder draws in: its lines, and its labels.
struct ScaleInk {
  Color line = kWhite;
  Color label = kWhite;
};

// Every colour of one palette. Day is the design's; the others keep its roles: the large areas
// (background, sub-panels, sky and ground) get darker much faster than the figures drawn on them, so
// that at night the figures stay clear against a dark panel.
struct DashboardColours {
  Palette palette = Palette::kDay;
  bool headUp = false;
  Color canvas;         // the background round the panels and the button strip
  Color subPanel;       // the tapes' ground
  Color panel;          // the panels and the readout boxes
  Color label;          // tape frames, the roll scale, the words and the clock
  Color symbol;         // the fixed symbols and the boxes' frames
  Color figure;         // the trip, position and satellite figures
  Color readout;        // the digital readouts
  Color dimmedLabel;    // labels while there is no fix
  Color dimmedReadout;  // readouts while there is no fix
  Color sky;            // the ball above the horizon
  Color ground;         // the ball below it
  Color light[2];       // the blinking light's two phases
  Color flag;           // the GPS state's flag
  Color warning;        // the speed readout and the speed tape's index marks above the speed limit
  Color flagText;       // its words
  Color frameShadow;    // the advertisement's sunken frame
  Color frameLight;
  Color adText;  // the advertisement's words
  // The button pictures: each channel times pictureGain / 256; redOnly keeps the red channel alone,
  // given the pixel's brightness.
  int pictureGain = 256;
  bool redOnly = false;

  ScaleInk Scale(bool dimmed) const { return ScaleInk{label, dimmed ? dimmedLabel : label}; }
  Color Readout(bool dimmed) const { return dimmed ? dimmedReadout : readout; }
  friend bool operator==(const DashboardColours&, const DashboardColours&) = default;
};

// The colours of a palette, and of its head-up display: the dashboard on black alone (no background,
// sky, ground or sub-panel colour) in the palette's bright figures.
const DashboardColours& ColoursOf(Palette palette, bool headUp = false);

// Turns pixels of a picture drawn for the day (32-bit, the spare byte kept) into the palette's.
void TintPixels(std::span<uint32_t> pixels, const DashboardColours& colours);

}  // namespace kivu
