#include "app/ScreenDensity.h"

#include <algorithm>
#include <cmath>

namespace kivu {

double ScreenPixelsPerMillimetre(double widthPixels, double heightPixels, double widthMm, double heightMm) {
  for (double side : {widthPixels, heightPixels, widthMm, heightMm})
    if (!std::isfinite(side) || side <= 0) return 0;
  const double across = widthPixels / widthMm;
  const double down = heightPixels / heightMm;
  constexpr double kLeast = 1, kMost = 40, kSquareEnough = 1.15;
  if (std::min(across, down) < kLeast || std::max(across, down) > kMost) return 0;
  if (std::max(across, down) > kSquareEnough * std::min(across, down)) return 0;
  constexpr double kMadeUp = 100 / 25.4, kSame = 1e-9;
  if (std::abs(across - kMadeUp) < kSame && std::abs(down - kMadeUp) < kSame) return 0;
  return (across + down) / 2;
}

}  // namespace kivu
