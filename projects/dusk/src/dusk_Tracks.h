// Track values used as whole numbers (seeds, picture and model numbers): truncated toward zero
// like a cast, but defined for every float a track file can hold.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// NaN gives 0; values beyond the 32-bit range give its nearest end.
inline int32_t dusk_TruncateTrack(float value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0f) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}
