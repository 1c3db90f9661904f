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

  // The engine's compile flags for these settings; cannot fail. Read at every
  // search, so kept here where the call costs nothing.
  uint32_t CompileFlags() const {
    return (DotMatchAll ? kDotAll : 0u) | (Greedy ? 0u : kUngreedy) |
           (CaseSensitive ? 0u : kCaseless);
  }

  // The engine's values of its flags (checked against the engine's own header).
  static constexpr uint32_t kCaseless = 0x00000008u;
  static constexpr uint32_t kDotAll = 0x00000020u;
  static constexpr uint32_t kUngreedy = 0x00040000u;
};

}  // namespace fw
