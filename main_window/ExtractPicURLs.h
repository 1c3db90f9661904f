#pragma once
#include <string>

#include "framework/text/Text.h"

namespace app {

// The src values of the img tags in pageText, in document order, duplicates
// kept: for each img tag, the double-quoted value of the first attribute after
// "<img" whose name ends in src. The page is read as plain text. An empty array
// when there is none; raises NilObjectException when the regular-expression
// component hands back no object, and passes on its exceptions.
fw::StringArray ExtractPicURLs(const std::string& pageText);

}  // namespace app
