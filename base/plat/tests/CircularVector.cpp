#include <plat/CircularVector.h>

#include <gtest/gtest.h>

using plat::CircularVector;

TEST(CircularVector, GrowsByDoublingAndKeepsOrderAcrossWrap)
{
  CircularVector<int> q;
  EXPECT_EQ(q.capacity(), 0u);
  q.pushBack(-1);
  EXPECT_EQ(q.capacity(), 8u);
  // Move the read position so that the items wrap when the queue grows.
  for (int i = 0; i < 5; i++) {
    q.pushBack(i);
    q.popFront();
  }
  for (int i = 0; i < 8; i++)
    q.pushBack(100 + i);
  EXPECT_EQ(q.capacity(), 16u);
  EXPECT_EQ(q.size(), 9u);
  EXPECT_EQ(q.popFront(), 4);
  for (int i = 0; i < 8; i++)
    EXPECT_EQ(q.popFront(), 100 + i);
  EXPECT_TRUE(q.empty());
}
