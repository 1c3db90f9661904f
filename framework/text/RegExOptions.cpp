#include "framework/text/RegExOptions.h"

#include "framework/text/PcreEngine.h"

namespace fw {

uint32_t RegExOptions::CompileFlags() const {
  uint32_t flags = 0;
  if (DotMatchAll) flags |= PCRE2_DOTALL;
  if (!Greedy) flags |= PCRE2_UNGREEDY;
  if (!CaseSensitive) flags |= PCRE2_CASELESS;
  return flags;
}

}  // namespace fw
