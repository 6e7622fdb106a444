#include <plat/Assert.h>

#include <gtest/gtest.h>

#include <cstring>

// The regexes match the child's whole standard error; under an emulator a
// line about the signal ("qemu: uncaught target signal 6 ...") may follow.
#define QEMU_LINES "(qemu: [^\n]*\n)*$"

TEST(AssertDeathTest, FatalAssertionPrintsItsMessageAndAborts)
{
  int zero = 0;
  EXPECT_DEATH(
      PLAT_ASSERT_DETAIL(zero == 1, "zero is %d", zero),
      "^Assertion 'zero == 1' failed at [^\n]*AssertTest\\.cpp:[0-9]+: "
      "zero is 0\n" QEMU_LINES);
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
      "^Assertion '!\"first failure\"' failed at [^\n]*\n" QEMU_LINES);
}
