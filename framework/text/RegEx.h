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
  Ref<RegExMatch> SearchOnward();

  Ref<RegExOptions> options_;
  Ref<const PcreEngine> engine_;                     // loaded at the first compile
  std::vector<std::unique_ptr<PcrePattern>> cache_;  // most recently used last
  std::shared_ptr<const std::string> target_;        // of continued searches; null when done
  size_t next_ = 0;                                  // where the next continued search starts
  bool afterEmpty_ = false;  // the previous match was empty and ended at next_
};

}  // namespace fw
