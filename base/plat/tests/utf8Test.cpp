#include <plat/utf8.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

using namespace plat;

namespace {

const char* const Fffd = "\xef\xbf\xbd";

std::string repaired(const std::string& bytes)
{
  return utf8Repair(bytes.data(), bytes.data() + bytes.size()).c_str();
}

} // namespace

TEST(utf8, RepairReplacesEachBadSequenceOnce)
{
  const std::string F = Fffd;
  EXPECT_EQ(repaired("a\xe2\x82"
                     "b"),
            "a" + F + "b");
  EXPECT_EQ(repaired("\x80\x80"), F + F);
  EXPECT_EQ(repaired("\xf0\x9f\x98"), F); // truncated at the end
  EXPECT_EQ(repaired(std::string("a\0b", 3)), "a");

  // With a limit a character is never split.
  const char* text = "ab\xe2\x82\xac"
                     "c";
  EXPECT_STREQ(utf8Repair(text, 4).c_str(), "ab");
  EXPECT_STREQ(utf8Repair(text, 5).c_str(), "ab\xe2\x82\xac");
  EXPECT_STREQ(utf8Repair("a\xff", 4).c_str(), "a\xef\xbf\xbd");
}

TEST(utf8, DisplayWidth)
{
  EXPECT_EQ(utf8Width("a\tb"), 3u);      // wcwidth -1 counts 1
  EXPECT_EQ(utf8Width("ab\xffzzz"), 2u); // stops at bad sequence

  const char* old = setlocale(LC_CTYPE, nullptr);
  std::string saved = old ? old : "C";
  if (!setlocale(LC_CTYPE, "C.UTF-8"))
    GTEST_SKIP() << "no C.UTF-8 locale";
  EXPECT_EQ(utf8Width("\xe4\xb8\xad\xe6\x96\x87"), 4u); // two wide CJK
  EXPECT_EQ(utf8Width("e\xcc\x81"), 1u);                // combining accent
  setlocale(LC_CTYPE, saved.c_str());
}

TEST(utf8, ToLatin1)
{
  size_t len = 99;
  String s = utf8ToLatin1("a\xc3\xa9\xe2\x82\xac\xe4\xb8\xad\xff"
                          "z",
                          &len);
  EXPECT_EQ(len, 6u);
  EXPECT_STREQ(s.c_str(), "a\xe9\x80??z");

  std::string withNul("a\0\xc2\xa0", 4);
  s = utf8ToLatin1(withNul.data(), withNul.data() + withNul.size(), &len);
  ASSERT_EQ(len, 3u);
  EXPECT_EQ(std::string(s.get(), len), std::string("a\0\xa0", 3));
}
