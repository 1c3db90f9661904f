#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/runtime/Nil.h"
#include "framework/text/RegExMatch.h"
#include "framework/text/RegExOptions.h"

namespace fw {

class PcreEngine;
class PcrePattern;

// A regular expression over bytes: search, continued search and replacement.
// The pattern is compiled when a search needs it, with the options in force
// then; each (pattern, options) pair compiled once is kept for reuse.
class RegEx {
 public:
  // A RegEx with no pattern and its own options object; cannot fail.
  RegEx();
  ~RegEx();
  RegEx(const RegEx&) = delete;
  RegEx& operator=(const RegEx&) = delete;

  // The pattern that the next search or replacement uses.
  std::string SearchPattern;
  // What a replacement puts in place of each match, taken as it stands.
  std::string ReplacementPattern;

  // The options of this RegEx: the same object at every call; never Nil.
  const Ref<RegExOptions>& Options() const { return options_; }

  // The leftmost match in target, or Nil when there is none; raises
  // RuntimeException for an invalid pattern.
  Ref<RegExMatch> Search(std::string target);
  // The next match in the target of the last Search(target), searched from the
  // end of the previous match (an empty match is never found twice at one
  // place); Nil when there is none, from then on, and before any Search(target);
  // raises RuntimeException for an invalid pattern.
  Ref<RegExMatch> Search();

  // target with its leftmost match (every match, with ReplaceAllMatches)
  // replaced by ReplacementPattern; target itself when nothing matches; raises
  // RuntimeException for an invalid pattern. Continued searches are not affected.
  std::string Replace(const std::string& target);

 private:
  PcrePattern& Compiled();
  PcrePattern& CompiledAnother(uint32_t flags);
  [[gnu::noinline]] PcrePattern& CompiledAfresh(uint32_t flags);  // off the common path
  Ref<RegExMatch> SearchOnward();

  Ref<RegExOptions> options_;
  Ref<const PcreEngine> engine_;  // loaded at the first compile
  // Compiled patterns, in no order; each with the count of the last Compiled()
  // that returned it, so the least recently used goes when the cache is full.
  struct Cached {
    std::unique_ptr<PcrePattern> pattern;
    uint64_t lastUse;
    // Compiled from this pattern with these flags; cannot fail.
    bool Fits(const std::string& pattern, uint32_t flags) const;
  };
  std::vector<Cached> cache_;
  // The entries returned last and the one before (equal at first); meaningless
  // while cache_ is empty.
  size_t current_ = 0;
  size_t previous_ = 0;
  uint64_t uses_ = 0;                          // Compiled() calls so far
  std::shared_ptr<const std::string> target_;  // of continued searches; null when done
  size_t next_ = 0;                            // where the next continued search starts
  bool afterEmpty_ = false;                    // the previous match was empty and ended at next_
  // The matches handed out by the last two continued searches. A caller that
  // keeps one match at a time has let go of the older by the next search, and
  // that object is then filled anew instead of a new one being made: a page's
  // search finds a match per tag. Dropped when the searches end, so that they
  // hold no target.
  Ref<RegExMatch> handedOut_[2];
  size_t nextSlot_ = 0;  // which of handedOut_ the next match goes to
};

}  // namespace fw
