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
  // offsets: count values, the start and end byte offset of the match, then
  // of each group (SIZE_MAX for a group that took no part), all within
  // *target; they are copied. Cannot fail but for want of memory.
  RegExMatch(std::shared_ptr<const std::string> target, const size_t* offsets, size_t count);

  // The text of the whole match (n = 0) or of group n; "" for a group that
  // took no part; raises OutOfBoundsException for n below 0 or past the last group.
  std::string SubExpressionString(int32_t n) const;

 private:
  friend class RegEx;
  // Makes this the match given, as the constructor would; for a RegEx that
  // hands out a match nobody else holds any more.
  void Reset(const std::shared_ptr<const std::string>& target, const size_t* offsets, size_t count);

  // The offsets of a match with a few groups are kept in the object itself:
  // a page's search makes one match per tag.
  static constexpr size_t kInline = 8;
  const size_t* Offsets() const { return count_ <= kInline ? inline_ : more_.data(); }

  std::shared_ptr<const std::string> target_;
  size_t count_;
  size_t inline_[kInline];
  std::vector<size_t> more_;  // the offsets when there are more than kInline
};

}  // namespace fw
