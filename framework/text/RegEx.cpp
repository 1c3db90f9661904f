#include "framework/text/RegEx.h"

#include <algorithm>

#include "framework/text/PcreEngine.h"
#include "framework/text/PcrePattern.h"

namespace fw {

namespace {

// How many compiled (pattern, options) pairs one RegEx keeps.
constexpr size_t kCacheSize = 8;

}  // namespace

RegEx::RegEx() : options_(std::make_shared<RegExOptions>()) {}

RegEx::~RegEx() = default;

PcrePattern& RegEx::Compiled() {
  const uint32_t flags = options_->CompileFlags();
  if (!cache_.empty() && cache_.back()->Flags() == flags && cache_.back()->Pattern() == SearchPattern) {
    return *cache_.back();
  }
  auto it = std::find_if(cache_.begin(), cache_.end(), [&](const std::unique_ptr<PcrePattern>& p) {
    return p->Flags() == flags && p->Pattern() == SearchPattern;
  });
  if (it != cache_.end()) {
    std::rotate(it, it + 1, cache_.end());
    return *cache_.back();
  }
  if (!engine_) engine_ = PcreEngine::Load();
  auto compiled = std::make_unique<PcrePattern>(engine_, SearchPattern, flags);
  if (cache_.size() >= kCacheSize) cache_.erase(cache_.begin());
  cache_.push_back(std::move(compiled));
  return *cache_.back();
}

Ref<RegExMatch> RegEx::Search(std::string target) {
  target_ = std::make_shared<const std::string>(std::move(target));
  next_ = 0;
  afterEmpty_ = false;
  return SearchOnward();
}

Ref<RegExMatch> RegEx::Search() { return SearchOnward(); }

Ref<RegExMatch> RegEx::SearchOnward() {
  if (!target_) return nullptr;
  PcrePattern& pattern = Compiled();
  if (next_ > target_->size() ||
      !pattern.Match(*target_, next_, afterEmpty_ ? PCRE2_NOTEMPTY_ATSTART : 0)) {
    target_.reset();
    return nullptr;
  }
  const size_t* ov = pattern.Ovector();
  std::vector<size_t> offsets(ov, ov + 2 * pattern.Pairs());
  next_ = ov[1];
  afterEmpty_ = ov[0] == ov[1];
  return std::make_shared<RegExMatch>(target_, std::move(offsets));
}

std::string RegEx::Replace(const std::string& target) {
  PcrePattern& pattern = Compiled();
  const bool all = options_->ReplaceAllMatches;
  std::string result;
  size_t copied = 0;  // target is copied into result up to here
  size_t from = 0;
  uint32_t matchOptions = 0;
  while (from <= target.size() && pattern.Match(target, from, matchOptions)) {
    const size_t* ov = pattern.Ovector();
    const size_t start = ov[0], end = ov[1];
    if (start > copied) result.append(target, copied, start - copied);
    result += ReplacementPattern;
    copied = std::max(copied, end);
    if (!all) break;
    from = end;
    matchOptions = start == end ? PCRE2_NOTEMPTY_ATSTART : 0;
  }
  result.append(target, copied, std::string::npos);
  return result;
}

}  // namespace fw
