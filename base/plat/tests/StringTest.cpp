#include <plat/String.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

using plat::String;

TEST(String, NullIsDistinctFromEmpty)
{
  String null;
  String empty("");
  String fromNull(static_cast<const char*>(nullptr));
  EXPECT_TRUE(null.isNull());
  EXPECT_TRUE(fromNull.isNull());
  EXPECT_FALSE(empty.isNull());
  EXPECT_TRUE(null.empty());
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(null.get(), nullptr);
  EXPECT_STREQ(null.c_str(), "");
  EXPECT_NE(null, empty);
  EXPECT_EQ(null, String());
  EXPECT_TRUE(null < empty);
  EXPECT_TRUE(String(null).isNull()); // copying keeps null
}

TEST(String, CopiesOwnTheirText)
{
  char text[] = "abc";
  String a(text);
  text[0] = 'x';
  String b(a);
  b.buf()[1] = 'y';
  EXPECT_STREQ(a.get(), "abc");
  EXPECT_STREQ(b.get(), "ayc");
  EXPECT_NE(a.get(), b.get());

  a = b;
  EXPECT_STREQ(a.get(), "ayc");
  a = a.get() + 1; // assigning from its own text
  EXPECT_STREQ(a.get(), "yc");
  a = a;
  EXPECT_STREQ(a.get(), "yc");

  String moved(std::move(a));
  EXPECT_TRUE(a.isNull());
  EXPECT_EQ(moved, "yc");
  EXPECT_EQ(String("abcdef", 3), "abc");
  EXPECT_EQ(String("ab\0cd", 5), "ab");
}

TEST(String, AdoptReleaseFormat)
{
  String s = String::adopting(strdup("owned"));
  EXPECT_EQ(s.length(), 5u);
  s.adopt(strdup("other")); // frees "owned"
  char* raw = s.release();
  EXPECT_TRUE(s.isNull());
  EXPECT_STREQ(raw, "other");
  free(raw);

  EXPECT_EQ(String::format("%s-%d", "page", 7), "page-7");
  String empty = String::format("%s", "");
  EXPECT_FALSE(empty.isNull());
  EXPECT_EQ(empty, "");
}

TEST(String, OrdersInSetsByBytes)
{
  std::set<String> s{"b", "a", "B", "a", String()};
  ASSERT_EQ(s.size(), 4u);
  auto it = s.begin();
  EXPECT_TRUE(it->isNull());
  EXPECT_EQ(*++it, "B");
  EXPECT_EQ(*++it, "a");
  EXPECT_EQ(*++it, "b");
}
