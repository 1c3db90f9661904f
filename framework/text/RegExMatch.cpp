#include "framework/text/RegExMatch.h"

#include <algorithm>
#include <cstdint>

#include "framework/runtime/OutOfBoundsException.h"

namespace fw {

RegExMatch::RegExMatch(std::shared_ptr<const std::string> target, const size_t* offsets,
                       size_t count)
    : target_(std::move(target)), count_(count) {
  if (count <= kInline) {
    std::copy(offsets, offsets + count, inline_);
  } else {
    more_.assign(offsets, offsets + count);
  }
}

void RegExMatch::Reset(const std::shared_ptr<const std::string>& target, const size_t* offsets,
                       size_t count) {
  if (target_ != target) target_ = target;
  count_ = count;
  if (count <= kInline) {
    std::copy(offsets, offsets + count, inline_);
    more_.clear();
  } else {
    more_.assign(offsets, offsets + count);
  }
}

std::string RegExMatch::SubExpressionString(int32_t n) const {
  if (n < 0 || static_cast<size_t>(n) * 2 + 1 >= count_) throw OutOfBoundsException();
  const size_t start = Offsets()[static_cast<size_t>(n) * 2];
  const size_t end = Offsets()[static_cast<size_t>(n) * 2 + 1];
  if (start == SIZE_MAX || end < start || !target_) return {};
  return target_->substr(start, end - start);
}

}  // namespace fw
