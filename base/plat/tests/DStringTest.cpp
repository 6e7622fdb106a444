#include <plat/DString.h>

#include <gtest/gtest.h>

#include <string>

using plat::DString;

TEST(DString, GrowsToPowersOfTwoOfAtLeastEight)
{
  struct {
    int request, capacity;
  } cases[] = {
      {1, 8},
      {8, 8},
      {9, 16},
      {1000, 1024},
  };
  for (auto& c : cases) {
    DString d;
    d.reserve(c.request);
    EXPECT_EQ(d.capacity(), c.capacity) << c.request;
  }
  DString d("abc");
  EXPECT_THROW(d.reserve((1 << 30) + 1), std::bad_alloc);
  EXPECT_STREQ(d.c_str(), "abc");
}

TEST(DString, AppendStopsAtLengthOrNulAndSurvivesOwnBuffer)
{
  DString d;
  d.append(nullptr);
  EXPECT_EQ(d.capacity(), 0); // no buffer yet, but reads as ""
  EXPECT_STREQ(d.c_str(), "");
  d.append("hello", 3);
  d.append("xy\0z", 4);
  d.append("1234567890");
  EXPECT_STREQ(d.c_str(), "helxy1234567890");
  EXPECT_EQ(d.length(), 15);

  DString e("abcdefg"); // capacity 8, full
  e.append(e.c_str());
  e.append(e.c_str() + 12, 2);
  EXPECT_STREQ(e.c_str(), "abcdefgabcdefgfg");
}

TEST(DString, Splice)
{
  DString d("hello world");
  d.splice(0, 5, "goodbye");
  d.splice(7, 13, nullptr);
  d.splice(7, 7, "!!", 1);
  EXPECT_STREQ(d.c_str(), "goodbye!");
  d.splice(4, 4, d.c_str()); // source inside the buffer
  EXPECT_STREQ(d.c_str(), "goodgoodbye!bye!");

  // Refused ranges leave the text alone.
  d.assign("abc");
  d.splice(2, 1, "X");
  d.splice(1, 4, "X");
  EXPECT_STREQ(d.c_str(), "abc");
  d.splice(1, 3, "X");
  EXPECT_STREQ(d.c_str(), "aX");
}

TEST(DString, AppendCodePointRepeats)
{
  DString d;
  d.appendCodePoint(0x20ac, 0);
  d.appendCodePoint('a', -3);
  EXPECT_STREQ(d.c_str(), "");
  d.appendCodePoint('a', 2);
  d.appendCodePoint(0x20ac, 2);
  d.appendCodePoint(0x1f600);
  EXPECT_STREQ(d.c_str(), "aa\xe2\x82\xac\xe2\x82\xac\xf0\x9f\x98\x80");
}

TEST(DString, ReplaceAll)
{
  DString d("<");
  d.appendReplaceAll("a.b..c.", ".", "::");
  EXPECT_STREQ(d.c_str(), "<a::b::::c::");
  d.assign("aaaa");
  d.replaceAll("aa", nullptr);
  EXPECT_STREQ(d.c_str(), "");
  d.assign("no match here");
  d.replaceAll("match", "match match"); // replacement contains needle
  EXPECT_STREQ(d.c_str(), "no match match here");
}

TEST(DString, AssignFromOwnBufferAndRelease)
{
  DString b("text!"), c(b), a(std::move(c));
  EXPECT_STREQ(c.c_str(), "");
  a = b;
  a.assign(a.c_str() + 2); // from its own buffer
  char* raw = a.release();
  EXPECT_STREQ(raw, "xt!");
  free(raw);
  EXPECT_EQ(a.release(), nullptr);
}

TEST(DString, WordWrap)
{
  struct {
    const char* text;
    int width, indent;
    const char* expected;
  } cases[] = {
      {"aaa bbb ccc", 7, 2, "aaa bbb\n  ccc"},
      // A word longer than the width is never split; at column 0 it stays.
      {"abcdefghij xy", 4, 1, "abcdefghij\n xy"},
      // Runs of spaces are kept inside a line, dropped at a wrap and the end.
      {"a  b   ", 10, 0, "a  b"},
      {"aa   bb", 4, 3, "aa\n   bb"},
      // A newline resets the column and swallows the spaces around it.
      {"aaaa  \nbbbb cc", 7, 0, "aaaa\nbbbb cc"},

      // Width counts terminal columns, not bytes.
      {"\xc3\xa9\xc3\xa9\xc3\xa9 x", 5, 0, "\xc3\xa9\xc3\xa9\xc3\xa9 x"},
  };
  for (auto& c : cases) {
    DString d(c.text);
    d.wordWrap(c.width, c.indent);
    EXPECT_STREQ(d.c_str(), c.expected) << c.text;
  }
}
