#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/text/PcreEngine.h"

namespace fw {

// One compiled search pattern with its JIT code and its match data.
class PcrePattern {
 public:
  // Compiles pattern with the engine's compile flags and hands it to the JIT;
  // raises RuntimeException (the engine's message) for an invalid pattern.
  PcrePattern(Ref<const PcreEngine> engine, const std::string& pattern, uint32_t flags);
  ~PcrePattern();
  PcrePattern(const PcrePattern&) = delete;
  PcrePattern& operator=(const PcrePattern&) = delete;

  // Looks for the leftmost match in subject at or after byte offset start with
  // the engine's match options; true when found (Ovector then holds it), false
  // when not. The engine's step, depth and heap limits are lifted: a search
  // runs to its answer however long the subject; raises RuntimeException
  // only when the engine still gives up (out of memory).
  bool Match(std::string_view subject, size_t start, uint32_t options) {
    // The common case, a JIT search that finds or finds nothing, without a call
    // of ours; the rest (no JIT, the JIT's stack, errors) below.
    if (!jitMatch_) return MatchSlowly(subject, start, options, kNotRun);
    const int rc = jitMatch_(code_, Text(subject), subject.size(), start, options, data_, context_);
    if (rc >= 0) return true;
    if (rc == PCRE2_ERROR_NOMATCH) return false;
    return MatchSlowly(subject, start, options, rc);
  }
  // Start and end byte offsets of the whole match and of each group of the last
  // successful Match, PCRE2_UNSET for a group that took no part; stale after a failed one.
  const size_t* Ovector() const { return ovector_; }
  // Number of offset pairs in Ovector: the groups plus one.
  uint32_t Pairs() const { return pairs_; }

  const std::string& Pattern() const { return pattern_; }
  // The engine it was compiled with; never fails.
  const PcreEngine& Engine() const { return *engine_; }
  uint32_t Flags() const { return flags_; }
  // True when the JIT took the pattern (searches then run its machine code).
  bool HasJit() const { return jitMatch_ != nullptr; }

 private:
  // Match without the JIT's answer (kNotRun) or after the JIT gave jitRc, an error.
  static constexpr int kNotRun = 1;
  bool MatchSlowly(std::string_view subject, size_t start, uint32_t options, int jitRc);
  static PCRE2_SPTR8 Text(std::string_view s) {
    return reinterpret_cast<PCRE2_SPTR8>(s.data() ? s.data() : "");
  }
  void Release();
  [[noreturn]] void Fail(int code, const char* what) const;

  Ref<const PcreEngine> engine_;
  std::string pattern_;
  uint32_t flags_;
  pcre2_code_8* code_ = nullptr;
  pcre2_match_data_8* data_ = nullptr;
  pcre2_match_context_8* context_ = nullptr;
  const size_t* ovector_ = nullptr;
  uint32_t pairs_ = 0;
  // The engine's JIT search when the JIT took the pattern; else null.
  decltype(&pcre2_jit_match_8) jitMatch_ = nullptr;
};

}  // namespace fw
