#include "framework/text/RegEx.h"

#include <algorithm>
#include <mutex>

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
  for (auto& p : cache_) PatternPool::Instance().Give(std::move(p));
}

PcrePattern& RegEx::Compiled() {
  const uint32_t flags = options_->CompileFlags();
  if (!cache_.empty() && cache_.back()->Flags() == flags &&
      cache_.back()->Pattern() == SearchPattern) {
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
  std::unique_ptr<PcrePattern> compiled =
      PatternPool::Instance().Take(*engine_, SearchPattern, flags);
  if (!compiled) compiled = std::make_unique<PcrePattern>(engine_, SearchPattern, flags);
  if (cache_.size() >= kCacheSize) {
    PatternPool::Instance().Give(std::move(cache_.front()));
    cache_.erase(cache_.begin());
  }
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
  next_ = ov[1];
  afterEmpty_ = ov[0] == ov[1];
  return std::make_shared<RegExMatch>(target_, ov, 2 * pattern.Pairs());
}

std::string RegEx::Replace(const std::string& target) {
  PcrePattern& pattern = Compiled();
  const bool all = options_->ReplaceAllMatches;
  std::string result;
  result.reserve(target.size());  // enough unless a replacement is the longer
  size_t copied = 0;              // target is copied into result up to here
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
