#pragma once
#include <cstdint>

namespace fw {

// The one-byte unit code a text size is given in, carried beside TextSize by
// text controls and drawing contexts. The one table of what the codes mean:
//
//   0  Default      points, as the toolkit measures type (same as Points)
//   1  Pixels       device pixels
//   2  Points       typographic points, 1/72 inch
//   3  Inches       inches (72 points each)
//   4  Millimeters  millimetres (72/25.4 points each)
//
// Any other code is read as Default. Pictures are measured at 72 dots per
// inch, so on a picture a point is one pixel. A TextSize of 0 (or less) means
// the toolkit's default size.
enum class FontUnits : uint8_t {
  Default = 0,
  Pixels = 1,
  Points = 2,
  Inches = 3,
  Millimeters = 4,
};

// The unit for a raw code byte; codes outside the table give Default.
constexpr FontUnits FontUnitsFromCode(uint8_t code) {
  return code <= static_cast<uint8_t>(FontUnits::Millimeters) ? static_cast<FontUnits>(code)
                                                              : FontUnits::Default;
}

}  // namespace fw
