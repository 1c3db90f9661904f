#include "framework/text/RegExOptions.h"

#include "framework/text/PcreEngine.h"

namespace fw {

static_assert(RegExOptions::kCaseless == PCRE2_CASELESS);
static_assert(RegExOptions::kDotAll == PCRE2_DOTALL);
static_assert(RegExOptions::kUngreedy == PCRE2_UNGREEDY);

}  // namespace fw
