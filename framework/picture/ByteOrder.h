#pragma once
#include <cstdint>

namespace fw {

// Unsigned 16- and 32-bit numbers read from bytes in the given order (little
// end first, or big end first), as picture formats store them. p must hold
// 2 or 4 readable bytes; cannot fail.
inline uint16_t Read16(const unsigned char* p, bool little) {
  return little ? uint16_t(p[0] | p[1] << 8) : uint16_t(p[0] << 8 | p[1]);
}
inline uint32_t Read32(const unsigned char* p, bool little) {
  return little
             ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24
             : uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

}  // namespace fw
