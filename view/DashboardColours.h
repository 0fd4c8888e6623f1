// The colours the dashboard draws its pens, frames and texts in, named once for the paint, the tapes
// and the attitude indicator.
#pragma once

#include "platform/raster/Geometry.h"

namespace kivu {

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

}  // namespace kivu
