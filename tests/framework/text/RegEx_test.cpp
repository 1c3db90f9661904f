#include "framework/text/RegEx.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/runtime/OutOfBoundsException.h"
#include "framework/runtime/PluginEntryPoints.h"
#include "framework/runtime/RuntimeException.h"
#include "framework/text/InitPluginEntrypoints.h"
#include "framework/text/PcrePattern.h"

namespace {

std::vector<std::string> AllMatches(fw::RegEx& re, const std::string& target) {
  std::vector<std::string> found;
  for (auto m = re.Search(target); m; m = re.Search()) {
    found.push_back(m->SubExpressionString(0));
    if (found.size() > target.size() + 2) break;  // a loop that never ends would stop here
  }
  return found;
}

TEST(PluginEntryPointsTest, EngineFunctionsAreFoundByNameAndUnknownNamesGiveNull) {
  fw::InitPluginEntrypoints();
  fw::InitPluginEntrypoints();  // a second call changes nothing
  auto& table = fw::PluginEntryPoints::Instance();
  EXPECT_EQ(table.Lookup<decltype(pcre2_compile_8)>("pcre2_compile_8"), &pcre2_compile_8);
  EXPECT_EQ(table.Lookup<decltype(pcre2_jit_match_8)>("pcre2_jit_match_8"), &pcre2_jit_match_8);
  EXPECT_EQ(table.Lookup("pcre2_no_such_function"), nullptr);
  EXPECT_EQ(table.Lookup("PCRE2_COMPILE_8"), nullptr);
  EXPECT_EQ(table.Lookup(""), nullptr);
}

TEST(PluginEntryPointsTest, RegExReachesTheEngineThroughTheTable) {
  fw::InitPluginEntrypoints();
  auto& table = fw::PluginEntryPoints::Instance();
  const auto saved = table.Lookup("pcre2_compile_8");
  table.Register("pcre2_compile_8", nullptr);
  EXPECT_EQ(table.Lookup("pcre2_compile_8"), nullptr);
  fw::RegEx missing;
  missing.SearchPattern = "a";
  EXPECT_THROW(missing.Search("a"), fw::RuntimeException);
  table.Register("pcre2_compile_8", saved);
  fw::RegEx restored;
  restored.SearchPattern = "a";
  EXPECT_TRUE(restored.Search("a"));
}

TEST(RegExTest, OptionsAreOneObjectWhoseSettingsHoldForLaterSearches) {
  fw::RegEx re;
  ASSERT_TRUE(re.Options());
  EXPECT_EQ(re.Options(), re.Options());
  re.SearchPattern = "a.+b";
  EXPECT_FALSE(re.Search("a\nxb"));  // the full stop stops at line ends by default

  // Settings made after the pattern was set and searched with still count.
  re.Options()->DotMatchAll = true;
  auto m = re.Search("a\nxb");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->SubExpressionString(0), "a\nxb");
  re.Options()->Greedy = false;
  EXPECT_EQ(re.Search("a1b2b")->SubExpressionString(0), "a1b");
  re.Options()->Greedy = true;
  EXPECT_EQ(re.Search("a1b2b")->SubExpressionString(0), "a1b2b");
  re.Options()->CaseSensitive = true;
  EXPECT_FALSE(re.Search("A1B"));
  re.Options()->CaseSensitive = false;
  EXPECT_TRUE(re.Search("A1B"));
}

TEST(RegExTest, CaseInsensitiveByDefault) {
  fw::RegEx re;
  re.SearchPattern = "<img\\s";
  EXPECT_TRUE(re.Search("<IMG SRC=\"a.jpg\">"));
}

TEST(RegExTest, ContinuedSearchGoesOnFromTheEndOfThePreviousMatch) {
  fw::RegEx re;
  re.SearchPattern = "a+";
  EXPECT_EQ(AllMatches(re, "xaa-a--aaa"), (std::vector<std::string>{"aa", "a", "aaa"}));
  EXPECT_FALSE(re.Search());  // stays done

  // The pattern set last governs the next continued search.
  auto first = re.Search("ab-ab-ab");
  ASSERT_TRUE(first);
  re.SearchPattern = "b-a";
  auto next = re.Search();
  ASSERT_TRUE(next);
  EXPECT_EQ(next->SubExpressionString(0), "b-a");
  EXPECT_EQ(first->SubExpressionString(0), "a");  // an earlier match keeps its text
}

TEST(RegExTest, AMatchKeepsItsTextHoweverManyFollowWhileItIsHeld) {
  fw::RegEx re;
  re.SearchPattern = "\\d+";
  const std::string target = "a1b22c333d4444e55555";
  const std::vector<std::string> want = {"1", "22", "333", "4444", "55555"};

  // Every match held to the end.
  std::vector<fw::Ref<fw::RegExMatch>> all;
  for (auto m = re.Search(target); m; m = re.Search()) all.push_back(m);
  ASSERT_EQ(all.size(), want.size());
  for (size_t i = 0; i < all.size(); ++i) EXPECT_EQ(all[i]->SubExpressionString(0), want[i]);

  // Every other match held, the rest let go at once.
  std::vector<fw::Ref<fw::RegExMatch>> some;
  int n = 0;
  for (auto m = re.Search(target); m; m = re.Search(), ++n) {
    if (n % 2 == 0) some.push_back(m);
  }
  ASSERT_EQ(some.size(), 3u);
  EXPECT_EQ(some[0]->SubExpressionString(0), "1");
  EXPECT_EQ(some[1]->SubExpressionString(0), "333");
  EXPECT_EQ(some[2]->SubExpressionString(0), "55555");

  // A match of one target, held while another target is searched.
  auto old = re.Search("x7");
  auto m = re.Search("y88z999");
  m = re.Search();
  ASSERT_TRUE(m);
  EXPECT_EQ(m->SubExpressionString(0), "999");
  EXPECT_FALSE(re.Search());
  EXPECT_EQ(old->SubExpressionString(0), "7");
}

TEST(RegExTest, ManyPatternsTakenInTurnEachSearchAsTheirOwn) {
  // More patterns than a RegEx keeps compiled, twice round, with the options
  // changed between rounds.
  fw::RegEx re;
  re.ReplacementPattern = "_";
  for (int round = 0; round < 2; ++round) {
    re.Options()->ReplaceAllMatches = round == 1;
    for (char c = 'a'; c <= 'l'; ++c) {
      re.SearchPattern = std::string(1, c) + "+";
      const std::string target = std::string("x") + c + c + "y" + c;
      const std::string want = round == 0 ? "x_y" + std::string(1, c) : "x_y_";
      EXPECT_EQ(re.Replace(target), want) << "pattern " << re.SearchPattern << " round " << round;
    }
  }
}

TEST(RegExTest, NoMatchAndNoTargetGiveNil) {
  fw::RegEx re;
  re.SearchPattern = "z";
  EXPECT_FALSE(re.Search());
  EXPECT_FALSE(re.Search("abc"));
  EXPECT_FALSE(re.Search(""));
  EXPECT_FALSE(re.Search());
}

TEST(RegExTest, EmptyMatchesAdvanceAndAreNotFoundTwice) {
  fw::RegEx re;
  re.SearchPattern = "a*";
  EXPECT_EQ(AllMatches(re, "baac"), (std::vector<std::string>{"", "aa", "", ""}));
  EXPECT_EQ(AllMatches(re, ""), (std::vector<std::string>{""}));
  re.ReplacementPattern = "-";
  re.Options()->ReplaceAllMatches = true;
  EXPECT_EQ(re.Replace("baac"), "-b--c-");
}

TEST(RegExTest, ReplaceChangesTheFirstOrEveryMatch) {
  fw::RegEx re;
  re.SearchPattern = "o+";
  re.ReplacementPattern = "0";
  EXPECT_EQ(re.Replace("foo boo zoo"), "f0 boo zoo");
  re.Options()->ReplaceAllMatches = true;
  EXPECT_EQ(re.Replace("foo boo zoo"), "f0 b0 z0");
  EXPECT_EQ(re.Replace("xyz"), "xyz");
  re.ReplacementPattern = "";
  EXPECT_EQ(re.Replace("oxoo"), "x");
  re.ReplacementPattern = "$0\\0";  // taken as it stands
  re.Options()->ReplaceAllMatches = false;
  EXPECT_EQ(re.Replace("xo"), "x$0\\0");
}

TEST(RegExTest, ReplaceLeavesAContinuedSearchAlone) {
  fw::RegEx re;
  re.SearchPattern = "\\d";
  ASSERT_TRUE(re.Search("1a2b3"));
  EXPECT_EQ(re.Replace("9"), "");
  auto m = re.Search();
  ASSERT_TRUE(m);
  EXPECT_EQ(m->SubExpressionString(0), "2");
}

TEST(RegExTest, GroupsAndWorkingOnBytes) {
  fw::RegEx re;
  re.SearchPattern = "(x)|(\\xff+)";
  auto m = re.Search(std::string("ab\xff\xff\0c", 6));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->SubExpressionString(0), "\xff\xff");
  EXPECT_EQ(m->SubExpressionString(1), "");  // took no part
  EXPECT_EQ(m->SubExpressionString(2), "\xff\xff");
  EXPECT_THROW(m->SubExpressionString(3), fw::OutOfBoundsException);
  EXPECT_THROW(m->SubExpressionString(-1), fw::OutOfBoundsException);
}

TEST(RegExTest, InvalidPatternRaisesRuntimeException) {
  fw::RegEx re;
  re.SearchPattern = "a(b";
  try {
    re.Search("ab");
    FAIL() << "no exception";
  } catch (const fw::RuntimeException& e) {
    EXPECT_NE(e.Message().find("offset 3"), std::string::npos) << e.Message();
    EXPECT_NE(e.ErrorNumber(), 0);
  }
  EXPECT_THROW(re.Replace("ab"), fw::RuntimeException);
}

TEST(RegExTest, PatternsRunOnTheJit) {
  // Without the JIT a search that fails from every <img of a long page is quadratic.
  fw::PcrePattern p(fw::PcreEngine::Load(), "<img\\s.*src\\s*=\\s*\".+\".*>",
                    PCRE2_DOTALL | PCRE2_UNGREEDY | PCRE2_CASELESS);
  EXPECT_TRUE(p.HasJit());
  ASSERT_TRUE(p.Match("x<img src=\"a\">", 0, 0));
  EXPECT_EQ(p.Ovector()[0], 1u);
  EXPECT_FALSE(p.Match("x<img src=\"a\">", 2, 0));
}

}  // namespace
