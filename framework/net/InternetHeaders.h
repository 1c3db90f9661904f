#pragma once
// An ordered table of message headers (name: value lines). Names are looked
// up without regard to ASCII case; the table keeps the order in which names
// were first entered, and a name may occur more than once.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fw {

class InternetHeaders {
 public:
  // Gives name the one value `value`: the first line of that name keeps its
  // place and takes the value, further lines of the name go; a new name goes
  // to the end. Never fails.
  void SetHeader(std::string_view name, std::string_view value);
  // Adds a line at the end, also when the name is present already. Never fails.
  void AppendHeader(std::string_view name, std::string_view value);
  // Removes every line of that name; nothing happens when there is none.
  void Delete(std::string_view name);
  // Removes every line.
  void Clear();

  // The value of the first line of that name; "" when there is none.
  std::string Value(std::string_view name) const;
  // True when a line of that name is present.
  bool Has(std::string_view name) const;
  // Number of lines.
  int32_t Count() const { return static_cast<int32_t>(lines_.size()); }
  // Name and value of line i (0-based); raise OutOfBoundsException outside 0..Count()-1.
  const std::string& Name(int32_t i) const;
  const std::string& Value(int32_t i) const;

 private:
  std::vector<std::pair<std::string, std::string>> lines_;
};

}  // namespace fw
