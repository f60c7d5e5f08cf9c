// The host's zoom percentage as the engine's zoom level (each level is a factor of 1.2).
#pragma once

#include <cmath>

namespace mvcef {

inline double ZoomLevelFromPercent(int percent) {
  // The factor is a single-precision product, which is what hosts observe: 120 % lands slightly
  // below level 1. Kept in a volatile so that x87 builds round it to float as well.
  volatile float factor = static_cast<float>(percent) * 0.01f;
  const double f = factor;
  if (f > 0.0) return std::log(f) / std::log(1.2);
  return f;
}

}  // namespace mvcef
