#pragma once
#include <cstdint>

namespace fw {

// The settings of one RegEx. They are read at each search and replacement, so
// a change holds for every later one, also when it is made after the pattern.
class RegExOptions {
 public:
  // A replacement changes every match (True) or only the first (False).
  bool ReplaceAllMatches = false;
  // The full stop matches every character, line ends included.
  bool DotMatchAll = false;
  // False: every quantifier takes as few characters as let the pattern match.
  bool Greedy = true;
  // False: letters match their other case too, so <IMG SRC=...> counts as <img src=...>.
  bool CaseSensitive = false;

  // The engine's compile flags for these settings; cannot fail.
  uint32_t CompileFlags() const;
};

}  // namespace fw
