#include <rfb/Region.h>

#include <gtest/gtest.h>

#include <vector>

using namespace rfb;

TEST(Region, WrapperKeepsBandOrderAndOwnership)
{
  Region update(Rect(0, 0, 100, 100));
  Region done(Rect(0, 0, 64, 64));
  Region left = update.subtract(done);
  std::vector<Rect> rects;
  left.getRects(&rects);
  EXPECT_EQ(rects,
            (std::vector<Rect>{Rect(64, 0, 100, 64), Rect(0, 64, 100, 100)}));

  Region copy(left); // independent copy
  copy.assignUnion(done);
  EXPECT_EQ(copy, update);
  EXPECT_EQ(left.numRects(), 2);
  EXPECT_FALSE(left.contains(Point(10, 10)));
  EXPECT_TRUE(copy.contains(Point(10, 10)));

  left.assignSubtract(left);
  EXPECT_TRUE(left.isEmpty());
  EXPECT_EQ(left, Region());
  left.getRects(&rects);
  EXPECT_TRUE(rects.empty());

  // Rectangles beyond 16 bits are clamped, not wrapped.
  Region huge(Rect(-40000, 0, 40000, 10));
  EXPECT_EQ(huge.getBoundingRect(), Rect(-32768, 0, 32767, 10));
  huge.translate(Point(0, 5));
  EXPECT_EQ(huge.getBoundingRect(), Rect(-32768, 5, 32767, 15));
}
