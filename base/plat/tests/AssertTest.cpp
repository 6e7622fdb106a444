#include <plat/Assert.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <regex.h>
#include <string>

namespace {

// Matches a dead child's standard error as a whole against a POSIX
// extended regex (where '.' also matches a newline), ignoring the lines an emulator adds about the signal when the
// tests run under one ("qemu: uncaught target signal 6 ...").
class StderrIs : public testing::MatcherInterface<const std::string&> {
public:
  explicit StderrIs(const std::string& re) : text_("^(" + re + ")$")
  {
    valid_ = regcomp(&re_, text_.c_str(), REG_EXTENDED | REG_NOSUB) == 0;
  }
  StderrIs(const StderrIs&) = delete;
  StderrIs& operator=(const StderrIs&) = delete;
  ~StderrIs() override
  {
    if (valid_)
      regfree(&re_);
  }
  bool MatchAndExplain(const std::string& err,
                       testing::MatchResultListener*) const override
  {
    std::string kept;
    size_t pos = 0;
    while (pos < err.size()) {
      size_t nl = err.find('\n', pos);
      size_t end = nl == std::string::npos ? err.size() : nl + 1;
      if (err.compare(pos, 6, "qemu: ") != 0)
        kept.append(err, pos, end - pos);
      pos = end;
    }
    return valid_ && regexec(&re_, kept.c_str(), 0, nullptr, 0) == 0;
  }
  void DescribeTo(std::ostream* os) const override
  {
    *os << "standard error matching " << text_;
  }

private:
  std::string text_;
  regex_t re_;
  bool valid_;
};

testing::Matcher<const std::string&> stderrIs(const std::string& re)
{
  return testing::MakeMatcher(new StderrIs(re));
}

} // namespace

TEST(AssertDeathTest, FatalAssertionPrintsItsMessageAndAborts)
{
  int zero = 0;
  EXPECT_DEATH(PLAT_ASSERT(zero == 1),
               stderrIs("Assertion 'zero == 1' failed at [^\n]*AssertTest\\.cpp:[0-9]+\n"));
  EXPECT_DEATH(PLAT_ASSERT_DETAIL(zero == 1, "zero is %d", zero),
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
