#pragma once
// Layout tables: the byte strings in which a window's or a control's initial
// properties are written and applied in one step.
//
// A table is a run of entries with no count, header, separator or end mark;
// it ends where the string ends (it holds zero bytes). Each entry is the
// property name in ASCII, one space (0x20), then the value encoded by the
// name's type:
//   Int32    4 bytes, big-endian two's complement
//   Boolean  1 byte, 00 = False, 01 = True
//   Color    3 bytes: red, green, blue
//   String   4-byte big-endian length, then that many bytes (UTF-8)
// The type is not stored: it comes from the name (LayoutTypeOf), and each name
// has the same type wherever it occurs.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fw {

enum class LayoutType : uint8_t { Int32, Boolean, Color, String };

// The type of the property name (exact, case as written); nullopt for a name
// the layout format does not know.
std::optional<LayoutType> LayoutTypeOf(std::string_view name);

// "Int32", "Boolean", "Color" or "String"; never fails.
const char* LayoutTypeName(LayoutType type);

// One decoded entry.
struct LayoutEntry {
  std::string name;
  LayoutType type = LayoutType::Int32;
  int32_t number = 0;  // Int32: the value; Boolean: 0 or 1; Color: 0xRRGGBB
  std::string text;    // String: the text

  // The value read as its type; no checks (a wrong type gives the raw number).
  int32_t Int() const { return number; }
  bool Bool() const { return number != 0; }
  uint32_t Color() const { return static_cast<uint32_t>(number) & 0xFFFFFFu; }
};

}  // namespace fw
