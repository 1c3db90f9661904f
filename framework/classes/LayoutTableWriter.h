#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/classes/LayoutTable.h"

namespace fw {

// Builds a layout table entry by entry, in call order, for a program to keep
// as a constant:
//
//   static const std::string kTable = fw::LayoutTableWriter()
//       .Int32("Width", 564).Bool("Visible", true)
//       .Color("BackColor", 0x3C3C3C).String("Title", "Main")
//       .Bytes();
//
// Each call raises RuntimeException when the name is unknown to the layout
// format or has another type, so a table cannot be written that the reader
// would misread.
class LayoutTableWriter {
 public:
  LayoutTableWriter& Int32(std::string_view name, int32_t value);
  LayoutTableWriter& Bool(std::string_view name, bool value);
  // rgb is 0xRRGGBB; bits above are ignored.
  LayoutTableWriter& Color(std::string_view name, uint32_t rgb);
  LayoutTableWriter& String(std::string_view name, std::string_view text);

  // The table written so far; never fails.
  const std::string& Bytes() const { return bytes_; }
  operator const std::string&() const { return bytes_; }

 private:
  void Start(std::string_view name, LayoutType type);
  void Put32(uint32_t v);

  std::string bytes_;
};

}  // namespace fw
