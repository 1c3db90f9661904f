#include "framework/runtime/ExceptionDescription.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "framework/runtime/NilObjectException.h"
#include "framework/runtime/RuntimeException.h"
#include "framework/runtime/UnhandledException.h"

namespace {

struct DescribeCase {
  const char* label;
  std::function<void()> raise;
  std::string className;
  std::string message;
  int32_t errorNumber;
  std::string line;
};

void PrintTo(const DescribeCase& c, std::ostream* os) { *os << c.label; }

class ExceptionDescriptionOf : public ::testing::TestWithParam<DescribeCase> {};

TEST_P(ExceptionDescriptionOf, GivesClassMessageNumberAndOneLine) {
  const DescribeCase& c = GetParam();
  std::exception_ptr e;
  try {
    c.raise();
  } catch (...) {
    e = std::current_exception();
  }
  ASSERT_TRUE(e);
  const fw::ExceptionDescription d = fw::ExceptionDescription::Of(e);
  EXPECT_EQ(d.className, c.className);
  EXPECT_EQ(d.message, c.message);
  EXPECT_EQ(d.errorNumber, c.errorNumber);
  EXPECT_EQ(d.Line(), c.line);
  EXPECT_EQ(fw::DescribeException(e), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExceptionDescriptionOf,
    ::testing::Values(DescribeCase{"runtime exception with a number",
                                   [] { throw fw::RuntimeException("socket closed", 102); },
                                   "RuntimeException", "socket closed", 102,
                                   "RuntimeException: socket closed"},
                      DescribeCase{"runtime exception without a message",
                                   [] { throw fw::NilObjectException(); }, "NilObjectException", "",
                                   0, "NilObjectException"},
                      DescribeCase{"standard exception", [] { throw std::logic_error("broken"); },
                                   "std::exception", "broken", 0, "std::exception: broken"},
                      DescribeCase{"anything else", [] { throw 42; }, "unknown exception", "", 0,
                                   "unknown exception"}));

}  // namespace
