#include <plat/Assert.h>

#include <gtest/gtest.h>

#include <cstring>

// Death-test regexes use POSIX extended syntax, where '.' also matches a
// newline; "[^\n]" keeps a match on one line.

TEST(AssertDeathTest, FatalAssertionPrintsItsMessageAndAborts)
{
  int zero = 0;
  EXPECT_DEATH(PLAT_ASSERT(zero == 1),
               "^Assertion 'zero == 1' failed at [^\n]*AssertTest\\.cpp:[0-9]+\n$");
  EXPECT_DEATH(PLAT_ASSERT_DETAIL(zero == 1, "zero is %d", zero),
               "^Assertion 'zero == 1' failed at [^\n]*AssertTest\\.cpp:[0-9]+: "
               "zero is 0\n$");
}

namespace {

void failAgain()
{
  PLAT_ASSERT(!"second failure");
}

} // namespace

TEST(AssertDeathTest, FailureInsideTheHandlerAbortsSilently)
{
  // The flush hook runs inside the handler; its own failure must not print.
  EXPECT_DEATH(
      {
        plat::setAssertionFlushHook(failAgain);
        PLAT_ASSERT(!"first failure");
      },
      "^Assertion '!\"first failure\"' failed at [^\n]*\n$");
}

TEST(Assert, ThrowingAssertion)
{
  int line = 0;
  try {
    line = __LINE__ + 1;
    PLAT_ASSERT_THROW(line < 0);
    FAIL() << "no exception";
  } catch (plat::AssertionFail& e) {
    EXPECT_STREQ(e.expression(), "line < 0");
    EXPECT_EQ(e.line(), line);
    EXPECT_NE(strstr(e.message(), "Assertion 'line < 0' failed at "), nullptr);
  }
  PLAT_ASSERT_THROW(line > 0);
  PLAT_ASSERT(line > 0);
}
