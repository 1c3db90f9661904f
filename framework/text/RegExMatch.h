#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fw {

// One match found by RegEx::Search: the whole match and its groups.
class RegExMatch {
 public:
  // offsets: start and end byte offset of the match, then of each group
  // (SIZE_MAX for a group that took no part), all within *target; cannot fail.
  RegExMatch(std::shared_ptr<const std::string> target, std::vector<size_t> offsets);

  // The text of the whole match (n = 0) or of group n; "" for a group that
  // took no part; raises OutOfBoundsException for n below 0 or past the last group.
  std::string SubExpressionString(int32_t n) const;

 private:
  std::shared_ptr<const std::string> target_;
  std::vector<size_t> offsets_;
};

}  // namespace fw
