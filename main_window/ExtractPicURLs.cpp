#include "main_window/ExtractPicURLs.h"

#include <utility>

#include "framework/runtime/Nil.h"
#include "framework/runtime/Thread.h"
#include "framework/text/RegEx.h"

namespace app {

namespace {

// "<img", whitespace, anything up to the first src, optional blanks, "=",
// optional blanks and the opening double quote.
constexpr char kHeadPattern[] = "<img\\s.*src\\s*=\\s*\"";
// The value: at least one character.
constexpr char kMiddlePiece[] = ".+";
// The closing double quote and the rest of the tag up to its ">".
constexpr char kTailPattern[] = "\".*>";

}  // namespace

fw::StringArray ExtractPicURLs(std::string pageText) {
  const std::string headPattern = kHeadPattern;
  const std::string tailPattern = kTailPattern;

  fw::Ref<fw::RegEx> re = std::make_shared<fw::RegEx>();
  fw::NonNil(re).SearchPattern = headPattern + kMiddlePiece + tailPattern;
  fw::NonNil(re->Options()).ReplaceAllMatches = true;
  fw::NonNil(re->Options()).DotMatchAll = true;
  fw::NonNil(re->Options()).Greedy = false;

  // Every tag text: the first match, then the continued searches.
  // The RegEx takes the page over for its continued searches.
  fw::Ref<fw::RegExMatch> match = re->Search(std::move(pageText));
  fw::StringArray tagTexts;
  if (!match) return tagTexts;
  tagTexts.push_back(fw::NonNil(match).SubExpressionString(0));
  for (;;) {
    match = re->Search();
    if (!match) break;
    tagTexts.push_back(fw::NonNil(match).SubExpressionString(0));
    fw::RuntimeBackgroundTask();
  }

  // Each tag text cut down to its value: the head removed, then the tail.
  fw::StringArray addresses;
  addresses.reserve(tagTexts.size());
  fw::NonNil(re->Options()).ReplaceAllMatches = false;
  re->ReplacementPattern = "";
  for (int32_t i = 0; i <= fw::Ubound(tagTexts); ++i) {
    re->SearchPattern = headPattern;
    const std::string rest = re->Replace(fw::At(tagTexts, i));
    re->SearchPattern = tailPattern;
    addresses.push_back(re->Replace(rest));
    fw::RuntimeBackgroundTask();
  }
  return addresses;
}

}  // namespace app
