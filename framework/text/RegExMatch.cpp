#include "framework/text/RegExMatch.h"

#include <cstdint>

#include "framework/runtime/OutOfBoundsException.h"

namespace fw {

RegExMatch::RegExMatch(std::shared_ptr<const std::string> target, std::vector<size_t> offsets)
    : target_(std::move(target)), offsets_(std::move(offsets)) {}

std::string RegExMatch::SubExpressionString(int32_t n) const {
  if (n < 0 || static_cast<size_t>(n) * 2 + 1 >= offsets_.size()) throw OutOfBoundsException();
  const size_t start = offsets_[static_cast<size_t>(n) * 2];
  const size_t end = offsets_[static_cast<size_t>(n) * 2 + 1];
  if (start == SIZE_MAX || end < start || !target_) return {};
  return target_->substr(start, end - start);
}

}  // namespace fw
