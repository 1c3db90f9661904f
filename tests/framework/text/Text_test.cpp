#include "framework/text/Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

#include "framework/runtime/Int32.h"
#include "framework/runtime/OutOfBoundsException.h"

namespace {

TEST(Text, InStrIsOneBasedWithZeroForAbsent) {
  EXPECT_EQ(fw::InStr("blog.tumblr.com", "."), 5);
  EXPECT_EQ(fw::InStr("blog", "."), 0);
  EXPECT_EQ(fw::InStr("", "."), 0);
  EXPECT_EQ(fw::InStr(6, "a.b.c", "."), 0);
  EXPECT_EQ(fw::InStr(3, "a.b.c", "."), 4);
}

struct SplitCase {
  const char* text;
  const char* delimiter;
  fw::StringArray pieces;
};
void PrintTo(const SplitCase& c, std::ostream* os) {
  *os << "Split(\"" << c.text << "\", \"" << c.delimiter << "\")";
}
class SplitTest : public ::testing::TestWithParam<SplitCase> {};
TEST_P(SplitTest, KeepsEmptyPieces) {
  EXPECT_EQ(fw::Split(GetParam().text, GetParam().delimiter), GetParam().pieces);
}
INSTANTIATE_TEST_SUITE_P(
    Text, SplitTest,
    ::testing::Values(SplitCase{"http://a.tumblr.com/x", "/", {"http:", "", "a.tumblr.com", "x"}},
                      SplitCase{"", ".", {""}}, SplitCase{".", ".", {"", ""}},
                      SplitCase{"a..b.", ".", {"a", "", "b", ""}}, SplitCase{"abc", "", {"abc"}},
                      SplitCase{"a::b", "::", {"a", "b"}}));

TEST(Text, UboundAndAt) {
  fw::StringArray empty;
  EXPECT_EQ(fw::Ubound(empty), -1);
  fw::StringArray two{"a", "b"};
  EXPECT_EQ(fw::Ubound(two), 1);
  EXPECT_EQ(fw::At(two, 1), "b");
  EXPECT_THROW(fw::At(two, 2), fw::OutOfBoundsException);
  EXPECT_THROW(fw::At(two, -1), fw::OutOfBoundsException);
}

TEST(Text, RightCountsCharacters) {
  EXPECT_EQ(fw::Right("a.jpg", 3), "jpg");
  EXPECT_EQ(fw::Right("pg", 3), "pg");
  EXPECT_EQ(fw::Right("", 3), "");
  EXPECT_EQ(fw::Right("x", 0), "");
  EXPECT_EQ(fw::Right("aüö", 2), "üö");
}

TEST(Text, StrOfInt32Edges) {
  EXPECT_EQ(fw::Str(0), "0");
  EXPECT_EQ(fw::Str(-7), "-7");
  EXPECT_EQ(fw::Str(2147483647), "2147483647");
  EXPECT_EQ(fw::Str(-2147483647 - 1), "-2147483648");
}

struct ValCase {
  const char* text;
  double value;
  int32_t asInt32;
};
void PrintTo(const ValCase& c, std::ostream* os) { *os << "Val(\"" << c.text << "\")"; }
class ValTest : public ::testing::TestWithParam<ValCase> {};
TEST_P(ValTest, ReadsTheLeadingNumber) {
  const double v = fw::Val(GetParam().text);
  if (std::isinf(GetParam().value))
    EXPECT_EQ(v, GetParam().value);
  else
    EXPECT_DOUBLE_EQ(v, GetParam().value);
  EXPECT_EQ(fw::DoubleToInt32(v), GetParam().asInt32);
}
INSTANTIATE_TEST_SUITE_P(Text, ValTest,
                         ::testing::Values(ValCase{"", 0, 0}, ValCase{"abc", 0, 0},
                                           ValCase{"12abc", 12, 12}, ValCase{"1e3", 1000, 1000},
                                           ValCase{"1e", 1, 1}, ValCase{"  -5", -5, -5},
                                           ValCase{"+4", 4, 4}, ValCase{"3.9", 3.9, 3},
                                           ValCase{"-3.9", -3.9, -3}, ValCase{".5", 0.5, 0},
                                           ValCase{"-", 0, 0},
                                           ValCase{"99999999999", 99999999999.0, 2147483647},
                                           ValCase{"-99999999999", -99999999999.0, -2147483647 - 1},
                                           ValCase{"1e999", HUGE_VAL, 2147483647}));

TEST(Text, EqualityIgnoresAsciiCaseOnly) {
  EXPECT_TRUE(fw::StrEq("JPG", "jpg"));
  EXPECT_TRUE(fw::StrEq("Tumblr", "tumblr"));
  EXPECT_FALSE(fw::StrEq("tumblr", "tumblr "));
  EXPECT_FALSE(fw::StrEq("Ü", "ü"));
  EXPECT_TRUE(fw::StrEq("", ""));
  EXPECT_LT(fw::RuntimeStringCompare("a", "B"), 0);
}

TEST(Int32, AdditionWraps) {
  EXPECT_EQ(fw::AddWrap(2147483647, 1), -2147483647 - 1);
  EXPECT_EQ(fw::AddWrap(-1, 1), 0);
}

}  // namespace
