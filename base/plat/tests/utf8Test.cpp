#include <plat/utf8.h>

#include <plat/Exception.h>

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

TEST(utf8, DecodesAndReportsHowMuchWasConsumed)
{
  struct {
    const char* bytes;
    uint32_t cp;
    int used;
  } cases[] = {
      {"A", 'A', 1},
      {"\xc3\xa9", 0xe9, 2},
      {"\xe2\x82\xac", 0x20ac, 3},
      {"\xf0\x9f\x98\x80", 0x1f600, 4},
      {"\xf4\x8f\xbf\xbd", 0x10fffd, 4},
      {"\x80", Utf8Invalid, 1}, // stray continuation
      {"\xff", Utf8Invalid, 1},
      {"\xe2\x82"
       "A",
       Utf8Invalid, 2},                     // 'A' is not consumed
      {"\xc0\x80", Utf8Invalid, 2},         // overlong NUL
      {"\xe0\x9f\xbf", Utf8Invalid, 3},     // overlong U+07FF
      {"\xed\xa0\x80", Utf8Invalid, 3},     // surrogate
      {"\xef\xbf\xbe", Utf8Invalid, 3},     // U+FFFE
      {"\xef\xb7\x90", Utf8Invalid, 3},     // U+FDD0
      {"\xf0\x9f\xbf\xbf", Utf8Invalid, 4}, // U+1FFFF
      {"\xf4\x90\x80\x80", Utf8Invalid, 4}, // above U+10FFFF
  };
  for (auto& c : cases) {
    const char* p = c.bytes;
    EXPECT_EQ(utf8Decode(p), c.cp) << c.bytes;
    EXPECT_EQ(p - c.bytes, c.used) << c.bytes;
  }

  // With an end, a sequence must fit in the bytes left.
  const char* euro = "\xe2\x82\xac";
  const char* p = euro;
  EXPECT_EQ(utf8Decode(p, euro + 2), Utf8Invalid);
  EXPECT_EQ(p, euro + 2);
}

TEST(utf8, Validate)
{
  EXPECT_TRUE(utf8Valid(nullptr));
  EXPECT_TRUE(utf8Valid("plain \xc3\xa9\xe2\x82\xac"));
  EXPECT_FALSE(utf8Valid("bad \xed\xa0\x80"));
  const char* euro = "x\xe2\x82\xac";
  EXPECT_TRUE(utf8Valid(euro, euro + 4));
  EXPECT_FALSE(utf8Valid(euro, euro + 3));
  EXPECT_TRUE(utf8Valid(euro, euro + 1));
}

TEST(utf8, RepairReplacesEachBadSequenceOnce)
{
  const std::string F = Fffd;
  EXPECT_EQ(repaired("\xc0\x80"), F);
  EXPECT_EQ(repaired("a\xe2\x82"
                     "b"),
            "a" + F + "b");
  EXPECT_EQ(repaired("\x80\x80"), F + F);
  EXPECT_EQ(repaired("\xf0\x9f\x98"), F); // truncated at the end
  EXPECT_EQ(repaired("ok\xc3\xa9"), "ok\xc3\xa9");
  EXPECT_EQ(utf8Repair("a\xff"
                       "b")
                .c_str(),
            "a" + F + "b");
  EXPECT_EQ(repaired(std::string("a\0b", 3)), "a");
  EXPECT_STREQ(utf8Repair(nullptr).c_str(), "");

  // With a limit a character is never split.
  const char* text = "ab\xe2\x82\xac"
                     "c";
  EXPECT_STREQ(utf8Repair(text, 2).c_str(), "ab");
  EXPECT_STREQ(utf8Repair(text, 4).c_str(), "ab");
  EXPECT_STREQ(utf8Repair(text, 5).c_str(), "ab\xe2\x82\xac");
  EXPECT_STREQ(utf8Repair("a\xff", 3).c_str(), "a");
  EXPECT_STREQ(utf8Repair("a\xff", 4).c_str(), "a\xef\xbf\xbd");
}

TEST(utf8, DisplayWidth)
{
  EXPECT_EQ(utf8Width("abc"), 3u);
  EXPECT_EQ(utf8Width("a\tb"), 3u);      // wcwidth -1 counts 1
  EXPECT_EQ(utf8Width("ab\xffzzz"), 2u); // stops at bad sequence
  const char* s = "abcd";
  EXPECT_EQ(utf8Width(s, s + 2), 2u);

  const char* old = setlocale(LC_CTYPE, nullptr);
  std::string saved = old ? old : "C";
  if (!setlocale(LC_CTYPE, "C.UTF-8"))
    GTEST_SKIP() << "no C.UTF-8 locale";
  EXPECT_EQ(utf8Width("\xe4\xb8\xad\xe6\x96\x87"), 4u); // two wide CJK
  EXPECT_EQ(utf8Width("e\xcc\x81"), 1u);                // combining accent
  setlocale(LC_CTYPE, saved.c_str());
}

TEST(utf8, Encode)
{
  struct {
    uint32_t cp;
    const char* bytes;
  } cases[] = {
      {0x41, "A"},
      {0x7f, "\x7f"},
      {0x80, "\xc2\x80"},
      {0x7ff, "\xdf\xbf"},
      {0x800, "\xe0\xa0\x80"},
      {0xffff, "\xef\xbf\xbf"},
      {0x10000, "\xf0\x90\x80\x80"},
      {0x10ffff, "\xf4\x8f\xbf\xbf"},
  };
  for (auto& c : cases) {
    char out[4];
    int n = utf8Encode(c.cp, out);
    EXPECT_EQ(std::string(out, (size_t)n), c.bytes) << std::hex << c.cp;
  }
  char out[4];
  try {
    utf8Encode(0x110000, out);
    FAIL() << "no exception";
  } catch (Exception& e) {
    EXPECT_STREQ(e.message(), "Unicode out of range");
  }
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
  EXPECT_STREQ(utf8ToLatin1("").c_str(), "");
}
