#pragma once
#include <cmath>
#include <cstdint>
#include <limits>

namespace fw {

// Int32 addition that wraps around like the hardware, never undefined.
inline int32_t AddWrap(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Double to Int32: truncates toward zero, clamps to the Int32 range; NaN gives 0.
inline int32_t DoubleToInt32(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (d <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(d);
}

}  // namespace fw
