#include <Xregion/miregion.h>

#include <gtest/gtest.h>

#include <bitset>
#include <random>
#include <vector>

using namespace xregion;

namespace {

// Owns an xregion::Region for the length of a test.
struct Rgn {
  Region r;
  Rgn() { regionInit(&r, nullptr); }
  Rgn(int x1, int y1, int x2, int y2) {
    Box b = {int16_t(x1), int16_t(y1), int16_t(x2), int16_t(y2)};
    regionInit(&r, &b);
  }
  ~Rgn() { regionUninit(&r); }
  Rgn(const Rgn&) = delete;
  Rgn& operator=(const Rgn&) = delete;
  std::vector<std::vector<int>> boxes() const {
    std::vector<std::vector<int>> v;
    if (!regionNotEmpty(&r))
      return v;
    const Box* b = regionRects(&r);
    for (int i = 0; i < regionNumRects(&r); i++)
      v.push_back({b[i].x1, b[i].y1, b[i].x2, b[i].y2});
    return v;
  }
};

// The plain model: a set of pixels on a small grid.
constexpr int G = 24;
using Pixels = std::bitset<G * G>;

Pixels pixelsOf(const Region& r) {
  Pixels p;
  if (!regionNotEmpty(&r))
    return p;
  const Box* b = regionRects(&r);
  for (int i = 0; i < regionNumRects(&r); i++)
    for (int y = b[i].y1; y < b[i].y2; y++)
      for (int x = b[i].x1; x < b[i].x2; x++) {
        EXPECT_TRUE(x >= 0 && x < G && y >= 0 && y < G);
        EXPECT_FALSE(p[y * G + x]) << "boxes overlap at " << x << "," << y;
        p.set(y * G + x);
      }
  return p;
}

// A random region of a few random boxes, built by union.
void randomRegion(std::mt19937& rng, Region* out, Pixels* model) {
  std::uniform_int_distribution<int> coord(0, G), count(0, 6);
  int n = count(rng);
  for (int i = 0; i < n; i++) {
    int x1 = coord(rng), x2 = coord(rng), y1 = coord(rng), y2 = coord(rng);
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    Rgn one(x1, y1, x2, y2);
    regionUnion(out, out, &one.r);
    for (int y = y1; y < y2; y++)
      for (int x = x1; x < x2; x++)
        model->set(y * G + x);
  }
}

} // namespace

// Corners the random model test rarely reaches: merging of touching boxes
// and bands, the shared empty block, block growth past doubling, and
// clipping at the coordinate limit.
TEST(Region, MergeGrowthAndClipping) {
  Rgn a(0, 0, 10, 10), b(10, 0, 20, 10), c(0, 10, 20, 15), u;
  regionUnion(&u.r, &a.r, &b.r);
  regionUnion(&u.r, &u.r, &c.r);
  EXPECT_EQ(u.boxes(), (std::vector<std::vector<int>>{{0, 0, 20, 15}}));
  EXPECT_EQ(u.r.data, nullptr);           // a single box needs no block

  Rgn acc;
  for (int i = 0; i < 600; i++) {
    Rgn tooth(i * 2, 0, i * 2 + 1, 5);
    regionUnion(&acc.r, &acc.r, &tooth.r);
  }
  EXPECT_EQ(regionNumRects(&acc.r), 600);
  EXPECT_TRUE(regionIsValid(&acc.r));
  regionSubtract(&acc.r, &acc.r, &acc.r);
  EXPECT_EQ(acc.r.data, &emptyRegionData);

  // Pushed right so far that both bands are cut at 32767 to equal spans:
  // they must merge.
  Rgn d(0, 0, 10, 10), e(0, 10, 20, 20), t;
  regionUnion(&t.r, &d.r, &e.r);
  regionTranslate(&t.r, 32767 - 7, -3);
  EXPECT_TRUE(regionIsValid(&t.r));
  EXPECT_EQ(t.boxes(), (std::vector<std::vector<int>>{{32760, -3, 32767, 17}}));
}

TEST(Region, RandomisedAgainstPixelModel) {
  std::mt19937 rng(12345);
  for (int iter = 0; iter < 3000; iter++) {
    Rgn a, b, r;
    Pixels pa, pb;
    randomRegion(rng, &a.r, &pa);
    randomRegion(rng, &b.r, &pb);
    ASSERT_EQ(pixelsOf(a.r), pa);

    regionUnion(&r.r, &a.r, &b.r);
    ASSERT_TRUE(regionIsValid(&r.r)) << iter;
    ASSERT_EQ(pixelsOf(r.r), pa | pb) << iter;

    regionIntersect(&r.r, &a.r, &b.r);
    ASSERT_TRUE(regionIsValid(&r.r)) << iter;
    ASSERT_EQ(pixelsOf(r.r), pa & pb) << iter;

    // In place, with the destination as either operand.
    regionCopy(&r.r, &a.r);
    regionSubtract(&r.r, &r.r, &b.r);
    ASSERT_TRUE(regionIsValid(&r.r)) << iter;
    ASSERT_EQ(pixelsOf(r.r), pa & ~pb) << iter;
    regionCopy(&r.r, &b.r);
    regionUnion(&r.r, &a.r, &r.r);
    ASSERT_EQ(pixelsOf(r.r), pa | pb) << iter;

    std::uniform_int_distribution<int> coord(0, G - 1);
    for (int k = 0; k < 8; k++) {
      int x = coord(rng), y = coord(rng);
      ASSERT_EQ(regionContainsPoint(&a.r, x, y), bool(pa[y * G + x]));
    }
  }
}
