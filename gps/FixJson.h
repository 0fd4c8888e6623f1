// A GpsFix as one line of JSON: the fields in record order, 32-bit floats with "%.9g" and 64-bit ones
// with "%.17g", so that every value reads back exactly. Values that are not finite print as null.
#pragma once

#include <string>

#include "gps/GpsFix.h"

namespace kivu {

std::string FormatFixJson(const GpsFix& fix);

}  // namespace kivu
