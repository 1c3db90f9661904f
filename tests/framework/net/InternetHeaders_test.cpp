#include "framework/net/InternetHeaders.h"

#include <gtest/gtest.h>

#include "framework/runtime/OutOfBoundsException.h"

namespace {

std::string Lines(const fw::InternetHeaders& h) {
  std::string s;
  for (int32_t i = 0; i < h.Count(); ++i) s += h.Name(i) + "=" + h.Value(i) + ";";
  return s;
}

TEST(InternetHeaders, SetKeepsThePlaceOfTheFirstLineAndDropsTheOthers) {
  fw::InternetHeaders h;
  h.SetHeader("Accept", "*/*");
  h.AppendHeader("X", "1");
  h.AppendHeader("x", "2");
  h.SetHeader("Host", "a");
  h.SetHeader("X", "3");
  EXPECT_EQ(Lines(h), "Accept=*/*;X=3;Host=a;");
}

TEST(InternetHeaders, LookupIgnoresCaseAndGivesTheFirstValue) {
  fw::InternetHeaders h;
  h.AppendHeader("Set-Cookie", "a");
  h.AppendHeader("set-cookie", "b");
  EXPECT_EQ(h.Value("SET-COOKIE"), "a");
  EXPECT_TRUE(h.Has("set-COOKIE"));
  EXPECT_EQ(h.Value("Missing"), "");
  EXPECT_FALSE(h.Has("Missing"));
}

TEST(InternetHeaders, DeleteRemovesEveryLineOfTheName) {
  fw::InternetHeaders h;
  h.AppendHeader("A", "1");
  h.AppendHeader("Content-length", "0");
  h.AppendHeader("CONTENT-LENGTH", "0");
  h.Delete("content-length");
  h.Delete("absent");
  EXPECT_EQ(Lines(h), "A=1;");
}

TEST(InternetHeaders, IndexOutsideTheTableRaises) {
  fw::InternetHeaders h;
  h.AppendHeader("A", "1");
  EXPECT_THROW(h.Name(1), fw::OutOfBoundsException);
  EXPECT_THROW(h.Value(-1), fw::OutOfBoundsException);
}

}  // namespace
