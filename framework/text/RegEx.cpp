#include "framework/text/RegEx.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "framework/text/PcreEngine.h"
#include "framework/text/PcrePattern.h"

namespace fw {

namespace {

// How many compiled (pattern, options) pairs one RegEx keeps.
constexpr size_t kCacheSize = 8;
// How many compiled patterns wait in the shared pool for the next RegEx.
constexpr size_t kPoolSize = 16;

// Compiled patterns of RegEx objects that are gone, for the next RegEx that
// asks for the same pattern and options with the same engine: compiling and
// handing a pattern to the JIT costs more than many a search. Each pattern
// belongs to one RegEx at a time.
class PatternPool {
 public:
  static PatternPool& Instance() {
    static PatternPool* pool = new PatternPool;  // outlives every RegEx
    return *pool;
  }
  std::unique_ptr<PcrePattern> Take(const PcreEngine& engine, const std::string& pattern,
                                    uint32_t flags) {
    std::lock_guard g(m_);
    for (auto it = patterns_.end(); it != patterns_.begin();) {
      --it;
      if ((*it)->Flags() == flags && (*it)->Pattern() == pattern && (*it)->Engine() == engine) {
        std::unique_ptr<PcrePattern> p = std::move(*it);
        patterns_.erase(it);
        return p;
      }
    }
    return nullptr;
  }
  void Give(std::unique_ptr<PcrePattern> p) {
    std::unique_ptr<PcrePattern> dropped;  // freed outside the lock
    std::lock_guard g(m_);
    if (patterns_.size() >= kPoolSize) {
      dropped = std::move(patterns_.front());
      patterns_.erase(patterns_.begin());
    }
    patterns_.push_back(std::move(p));
  }

 private:
  std::mutex m_;
  std::vector<std::unique_ptr<PcrePattern>> patterns_;  // guarded by m_; most recent last
};

}  // namespace

RegEx::RegEx() : options_(std::make_shared<RegExOptions>()) {}

RegEx::~RegEx() {
  for (Cached& c : cache_) PatternPool::Instance().Give(std::move(c.pattern));
}

bool RegEx::Cached::Fits(const std::string& pattern, uint32_t flags) const {
  const PcrePattern& p = *this->pattern;
  return p.Pattern().size() == pattern.size() && p.Flags() == flags && p.Pattern() == pattern;
}

inline PcrePattern& RegEx::Compiled() {
  const uint32_t flags = options_->CompileFlags();
  // The pattern of the last search (a continued search), or the one before
  // it (a caller that takes turns between two patterns).
  if (!cache_.empty()) {
    if (!cache_[current_].Fits(SearchPattern, flags)) {
      if (!cache_[previous_].Fits(SearchPattern, flags)) return CompiledAnother(flags);
      std::swap(current_, previous_);
    }
    cache_[current_].lastUse = ++uses_;
    return *cache_[current_].pattern;
  }
  return CompiledAnother(flags);
}

PcrePattern& RegEx::CompiledAnother(uint32_t flags) {
  // One used a while ago.
  for (size_t i = 0; i < cache_.size(); ++i) {
    if (cache_[i].Fits(SearchPattern, flags)) {
      previous_ = std::exchange(current_, i);
      cache_[i].lastUse = ++uses_;
      return *cache_[i].pattern;
    }
  }
  return CompiledAfresh(flags);
}

PcrePattern& RegEx::CompiledAfresh(uint32_t flags) {
  const uint64_t use = ++uses_;
  if (!engine_) engine_ = PcreEngine::Load();
  std::unique_ptr<PcrePattern> compiled =
      PatternPool::Instance().Take(*engine_, SearchPattern, flags);
  if (!compiled) compiled = std::make_unique<PcrePattern>(engine_, SearchPattern, flags);
  previous_ = current_;
  if (cache_.size() < kCacheSize) {
    cache_.push_back({std::move(compiled), use});
    current_ = cache_.size() - 1;
  } else {
    current_ = static_cast<size_t>(
        std::min_element(cache_.begin(), cache_.end(),
                         [](const Cached& a, const Cached& b) { return a.lastUse < b.lastUse; }) -
        cache_.begin());
    PatternPool::Instance().Give(std::exchange(cache_[current_].pattern, std::move(compiled)));
    cache_[current_].lastUse = use;
  }
  return *cache_[current_].pattern;
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
    for (Ref<RegExMatch>& m : handedOut_) m.reset();
    return nullptr;
  }
  const size_t* ov = pattern.Ovector();
  next_ = ov[1];
  afterEmpty_ = ov[0] == ov[1];
  Ref<RegExMatch>& slot = handedOut_[nextSlot_];
  nextSlot_ ^= 1;
  if (slot && slot.use_count() == 1) {
    // Nobody but this RegEx holds it any more.
    slot->Reset(target_, ov, 2 * pattern.Pairs());
  } else {
    slot = std::make_shared<RegExMatch>(target_, ov, 2 * pattern.Pairs());
  }
  return slot;
}

std::string RegEx::Replace(const std::string& target) {
  PcrePattern& pattern = Compiled();
  if (!pattern.Match(target, 0, 0)) return target;
  const size_t* ov = pattern.Ovector();
  size_t start = ov[0], end = ov[1];
  std::string result;
  if (!options_->ReplaceAllMatches) {
    // One match: the result's size is known.
    result.reserve(target.size() - (end - start) + ReplacementPattern.size());
    result.append(target.data(), start);
    if (!ReplacementPattern.empty()) result += ReplacementPattern;
    result.append(target.data() + end, target.size() - end);
    return result;
  }
  result.reserve(target.size());  // enough unless a replacement is the longer
  size_t copied = 0;              // target is copied into result up to here
  for (;;) {
    if (start > copied) result.append(target.data() + copied, start - copied);
    result += ReplacementPattern;
    copied = std::max(copied, end);
    const size_t from = end;
    const uint32_t matchOptions = start == end ? PCRE2_NOTEMPTY_ATSTART : 0;
    if (from > target.size() || !pattern.Match(target, from, matchOptions)) break;
    start = ov[0];
    end = ov[1];
  }
  result.append(target.data() + copied, target.size() - copied);
  return result;
}

}  // namespace fw
