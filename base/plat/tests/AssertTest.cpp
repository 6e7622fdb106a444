#include <plat/Assert.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <regex.h>
#include <string>

namespace {

// Matches a dead child's whole standard error against a POSIX extended
// regex (where '.' also matches a newline), ignoring the lines an emulator
// adds about the signal ("qemu: uncaught target signal 6 ...").
class StderrIs : public testing::MatcherInterface<const std::string&> {
public:
  explicit StderrIs(const std::string& re) : re_("^(" + re + ")$") {}
  bool MatchAndExplain(const std::string& err,
                       testing::MatchResultListener*) const override
  {
    std::string kept;
    for (size_t pos = 0, end; pos < err.size(); pos = end) {
      end = std::min(err.find('\n', pos), err.size() - 1) + 1;
      if (err.compare(pos, 6, "qemu: ") != 0)
        kept.append(err, pos, end - pos);
    }
    regex_t r;
    if (regcomp(&r, re_.c_str(), REG_EXTENDED | REG_NOSUB) != 0)
      return false;
    bool ok = regexec(&r, kept.c_str(), 0, nullptr, 0) == 0;
    regfree(&r);
    return ok;
  }
  void DescribeTo(std::ostream* os) const override
  {
    *os << "standard error matching " << re_;
  }

private:
  std::string re_;
};

testing::Matcher<const std::string&> stderrIs(const std::string& re)
{
  return testing::MakeMatcher(new StderrIs(re));
}

} // namespace

TEST(AssertDeathTest, FatalAssertionPrintsItsMessageAndAborts)
{
  int zero = 0;
  EXPECT_DEATH(
      PLAT_ASSERT(zero == 1),
      stderrIs(
          "Assertion 'zero == 1' failed at [^\n]*AssertTest\\.cpp:[0-9]+\n"));
  EXPECT_DEATH(
      PLAT_ASSERT_DETAIL(zero == 1, "zero is %d", zero),
      stderrIs("Assertion 'zero == 1' failed at [^\n]*AssertTest\\.cpp:[0-9]+: "
               "zero is 0\n"));
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
      stderrIs("Assertion '!\"first failure\"' failed at [^\n]*\n"));
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
