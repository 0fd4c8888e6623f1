// The trip figures as one line of JSON: the sixteen display values under their names, then
// durationHours and distance with "%.9g" (so the floats read back exactly); a value that is not a
// finite number prints as null.
#pragma once

#include <string>

#include "trip/TripStats.h"

namespace kivu {

std::string FormatTripSummaryJson(const TripStats& stats);

}  // namespace kivu
