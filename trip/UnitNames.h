// The words for the units of the unit system the settings choose, as the settings dialog and the drive
// report write them beside the figures.
#pragma once

#include <cstdint>

namespace kivu {

struct UnitNames {
  const char* speed;
  const char* altitude;
  const char* distance;
};

// Metric (0) or imperial (anything else), the choice the trip figures are converted by.
constexpr UnitNames UnitNamesOf(int32_t unitSelection) noexcept {
  return unitSelection == 0 ? UnitNames{"km/h", "m", "km"} : UnitNames{"mph", "ft", "mile"};
}

}  // namespace kivu
