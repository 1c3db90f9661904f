#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

#include "framework/classes/LayoutTable.h"

namespace fw {

// Walks a layout table entry by entry. The table must outlive the reader.
//
//   fw::LayoutTableReader r(table);
//   while (!r.AtEnd()) { fw::LayoutEntry e = r.Next(); ... }
class LayoutTableReader {
 public:
  explicit LayoutTableReader(std::string_view table) : table_(table) {}

  // True once every byte of the table has been read.
  bool AtEnd() const { return pos_ >= table_.size(); }
  // Byte offset of the next entry.
  size_t Position() const { return pos_; }

  // The next entry. Raises RuntimeException (nothing consumed) at the end of
  // the table, for a name without its space, a name the layout format does
  // not know, a value cut off by the end of the table, or a Boolean byte
  // other than 00 and 01.
  LayoutEntry Next();

  // Every entry of table in order; raises as Next does.
  static std::vector<LayoutEntry> ReadAll(std::string_view table);

 private:
  std::string_view table_;
  size_t pos_ = 0;
};

}  // namespace fw
