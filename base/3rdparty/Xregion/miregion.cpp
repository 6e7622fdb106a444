// The banded sweep shared by union, intersection and subtraction walks
// both box lists top to bottom. At each step it looks at the current band
// of each operand; the vertical interval covered by only one of them is
// handed (for operations that keep such parts) to a plain band copy, and
// the interval covered by both to the operation's own band routine. Every
// band produced is immediately merged into the band above when the two
// touch vertically and have the same horizontal spans, so results come out
// canonical without a second pass.

#include <Xregion/miregion.h>

#include <plat/Assert.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace xregion {

RegionData emptyRegionData = {0, 0};

namespace {

const Box emptyBox = {0, 0, 0, 0};

inline int countOf(const Region* r) {
  return r->data ? r->data->numRects : 1;
}
inline const Box* boxesOf(const Region* r) {
  return r->data ? r->data->rects() : &r->extents;
}
inline bool ownsBlock(const RegionData* d) {
  return d && d != &emptyRegionData;
}
inline bool boxEmpty(const Box& b) { return b.x1 >= b.x2 || b.y1 >= b.y2; }
inline int imin(int a, int b) { return a < b ? a : b; }
inline int imax(int a, int b) { return a > b ? a : b; }

RegionData* allocData(int n) {
  void* p = malloc((size_t(n) + 1) * sizeof(Box));
  PLAT_ASSERT(p);
  RegionData* d = static_cast<RegionData*>(p);
  d->size = n;
  d->numRects = 0;
  return d;
}

void setEmpty(Region* r) {
  r->extents = emptyBox;
  r->data = &emptyRegionData;
}

// Makes room for n more boxes. A request for one box is widened so that
// appending box by box costs amortised constant time without doubling
// very large regions. Returns false, leaving r empty, when the block
// cannot be grown.
bool grow(Region* r, int n) {
  RegionData* d = r->data;
  if (!d) {
    d = allocData(n + 1);
    d->rects()[0] = r->extents;
    d->numRects = 1;
    r->data = d;
    return true;
  }
  if (d == &emptyRegionData) {
    r->data = allocData(n);
    return true;
  }
  if (d->numRects > 0 && n == 1)
    n = d->numRects > 500 ? 250 : d->numRects;
  n += d->numRects;
  void* p = realloc(d, (size_t(n) + 1) * sizeof(Box));
  if (!p) {
    free(d);
    setEmpty(r);
    return false;
  }
  d = static_cast<RegionData*>(p);
  d->size = n;
  r->data = d;
  return true;
}

inline bool addBox(Region* r, int x1, int y1, int x2, int y2) {
  RegionData* d = r->data;
  if (d->numRects == d->size) {
    if (!grow(r, 1))
      return false;
    d = r->data;
  }
  Box& b = d->rects()[d->numRects++];
  b.x1 = int16_t(x1);
  b.y1 = int16_t(y1);
  b.x2 = int16_t(x2);
  b.y2 = int16_t(y2);
  return true;
}

// The first box past the band that starts at b.
inline const Box* bandEnd(const Box* b, const Box* end) {
  int16_t y1 = b->y1;
  while (b != end && b->y1 == y1)
    b++;
  return b;
}

// Merges the band starting at index cur into the band starting at index
// prev when they touch vertically and have identical spans. Returns the
// index of whichever band is now the last one.
int coalesce(Region* r, int prev, int cur) {
  RegionData* d = r->data;
  int n = d->numRects;
  if (cur == n)
    return prev;          // nothing produced: the last band is unchanged
  if (prev < 0)
    return cur;
  int count = n - cur;
  if (cur - prev != count)
    return cur;
  Box* pb = d->rects() + prev;
  Box* cb = d->rects() + cur;
  if (pb->y2 != cb->y1)
    return cur;
  for (int i = 0; i < count; i++)
    if (pb[i].x1 != cb[i].x1 || pb[i].x2 != cb[i].x2)
      return cur;
  int16_t y2 = cb->y2;
  for (int i = 0; i < count; i++)
    pb[i].y2 = y2;
  d->numRects = cur;
  return prev;
}

// Band routines: produce the result's boxes for the rows y1..y2, where
// [a, aEnd) and [b, bEnd) are the operands' bands there. They return false
// only when memory runs out.
typedef bool (*BandFn)(Region* r, const Box* a, const Box* aEnd,
                       const Box* b, const Box* bEnd, int y1, int y2);

bool copyBand(Region* r, const Box* a, const Box* aEnd, int y1, int y2) {
  for (; a != aEnd; a++)
    if (!addBox(r, a->x1, y1, a->x2, y2))
      return false;
  return true;
}

bool unionBand(Region* r, const Box* a, const Box* aEnd, const Box* b,
               const Box* bEnd, int y1, int y2) {
  int x1 = 0, x2 = 0;
  bool open = false;
  while (a != aEnd || b != bEnd) {
    const Box* next;
    if (b == bEnd || (a != aEnd && a->x1 <= b->x1))
      next = a++;
    else
      next = b++;
    if (!open) {
      x1 = next->x1;
      x2 = next->x2;
      open = true;
    } else if (next->x1 <= x2) {      // overlapping or touching: extend
      x2 = imax(x2, next->x2);
    } else {
      if (!addBox(r, x1, y1, x2, y2))
        return false;
      x1 = next->x1;
      x2 = next->x2;
    }
  }
  return !open || addBox(r, x1, y1, x2, y2);
}

bool intersectBand(Region* r, const Box* a, const Box* aEnd, const Box* b,
                   const Box* bEnd, int y1, int y2) {
  while (a != aEnd && b != bEnd) {
    int x1 = imax(a->x1, b->x1), x2 = imin(a->x2, b->x2);
    if (x1 < x2 && !addBox(r, x1, y1, x2, y2))
      return false;
    if (a->x2 < b->x2)
      a++;
    else if (b->x2 < a->x2)
      b++;
    else {
      a++;
      b++;
    }
  }
  return true;
}

// Minuend band a, subtrahend band b.
bool subtractBand(Region* r, const Box* a, const Box* aEnd, const Box* b,
                  const Box* bEnd, int y1, int y2) {
  for (; a != aEnd; a++) {
    // Subtrahend boxes wholly left of this minuend box are left of every
    // later one too.
    while (b != bEnd && b->x2 <= a->x1)
      b++;
    int x = a->x1;
    for (const Box* s = b; s != bEnd && s->x1 < a->x2; s++) {
      if (s->x1 > x && !addBox(r, x, y1, s->x1, y2))
        return false;
      x = imax(x, s->x2);
      if (x >= a->x2)
        break;
    }
    if (x < a->x2 && !addBox(r, x, y1, a->x2, y2))
      return false;
  }
  return true;
}

// Recomputes the extents of a freshly built result and normalises its
// storage: no boxes means the shared empty block, one box means no block.
void finish(Region* r) {
  RegionData* d = r->data;
  int n = d->numRects;
  if (n == 0) {
    free(d);
    setEmpty(r);
    return;
  }
  const Box* b = d->rects();
  Box e = {b[0].x1, b[0].y1, b[0].x2, b[n - 1].y2};
  for (int i = 1; i < n; i++) {
    if (b[i].x1 < e.x1)
      e.x1 = b[i].x1;
    if (b[i].x2 > e.x2)
      e.x2 = b[i].x2;
  }
  r->extents = e;
  if (n == 1) {
    free(d);
    r->data = nullptr;
  }
}

void install(Region* dst, Region* res) {
  if (ownsBlock(dst->data))
    free(dst->data);
  *dst = *res;
}

void sweep(Region* dst, const Region* ra, const Region* rb, BandFn both,
           bool keepA, bool keepB) {
  const Box* a = boxesOf(ra);
  const Box* aEnd = a + countOf(ra);
  const Box* b = boxesOf(rb);
  const Box* bEnd = b + countOf(rb);

  Region res;
  res.extents = emptyBox;
  res.data = allocData(imax(1, imax(countOf(ra), countOf(rb)) * 2));
  int prev = -1;
  int ybot = INT_MIN;  // bottom of the last interval handled

  while (a != aEnd && b != bEnd) {
    const Box* aBand = bandEnd(a, aEnd);
    const Box* bBand = bandEnd(b, bEnd);
    int ytop;
    // At most one operand's band can be partly consumed (starting above
    // ybot): the other one moved to a fresh band last time.
    if (a->y1 < b->y1) {
      if (keepA) {
        int top = imax(a->y1, ybot), bot = imin(a->y2, b->y1);
        if (top < bot) {
          int cur = res.data->numRects;
          if (!copyBand(&res, a, aBand, top, bot))
            goto oom;
          prev = coalesce(&res, prev, cur);
        }
      }
      ytop = b->y1;
    } else if (b->y1 < a->y1) {
      if (keepB) {
        int top = imax(b->y1, ybot), bot = imin(b->y2, a->y1);
        if (top < bot) {
          int cur = res.data->numRects;
          if (!copyBand(&res, b, bBand, top, bot))
            goto oom;
          prev = coalesce(&res, prev, cur);
        }
      }
      ytop = a->y1;
    } else {
      ytop = a->y1;
    }

    ybot = imin(a->y2, b->y2);
    if (ybot > ytop) {
      int cur = res.data->numRects;
      if (!both(&res, a, aBand, b, bBand, ytop, ybot))
        goto oom;
      prev = coalesce(&res, prev, cur);
    }
    if (a->y2 == ybot)
      a = aBand;
    if (b->y2 == ybot)
      b = bBand;
  }

  // What is left of one operand lies below everything of the other.
  for (int side = 0; side < 2; side++) {
    const Box*& p = side == 0 ? a : b;
    const Box* end = side == 0 ? aEnd : bEnd;
    if (!(side == 0 ? keepA : keepB))
      continue;
    while (p != end) {
      const Box* band = bandEnd(p, end);
      int top = imax(p->y1, ybot);
      int cur = res.data->numRects;
      if (!copyBand(&res, p, band, top, p->y2))
        goto oom;
      prev = coalesce(&res, prev, cur);
      p = band;
    }
  }

  finish(&res);
  install(dst, &res);
  return;

oom:
  // grow() has already released the partial result.
  regionEmpty(dst);
}

bool extentsOverlap(const Box& a, const Box& b) {
  return a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2;
}

} // namespace

void regionInit(Region* r, const Box* box) {
  if (box && !boxEmpty(*box)) {
    r->extents = *box;
    r->data = nullptr;
  } else {
    setEmpty(r);
  }
}

void regionUninit(Region* r) {
  if (ownsBlock(r->data))
    free(r->data);
  r->data = nullptr;
}

void regionEmpty(Region* r) {
  if (ownsBlock(r->data))
    free(r->data);
  setEmpty(r);
}

void regionCopy(Region* dst, const Region* src) {
  if (dst == src)
    return;
  if (!ownsBlock(src->data)) {
    if (ownsBlock(dst->data))
      free(dst->data);
    *dst = *src;
    return;
  }
  int n = src->data->numRects;
  if (!ownsBlock(dst->data) || dst->data->size < n) {
    if (ownsBlock(dst->data))
      free(dst->data);
    dst->data = allocData(n);
  }
  dst->data->numRects = n;
  memcpy(dst->data->rects(), src->data->rects(), size_t(n) * sizeof(Box));
  dst->extents = src->extents;
}

void regionUnion(Region* dst, const Region* a, const Region* b) {
  if (!regionNotEmpty(a)) {
    regionCopy(dst, b);
    return;
  }
  if (!regionNotEmpty(b)) {
    regionCopy(dst, a);
    return;
  }
  sweep(dst, a, b, unionBand, true, true);
}

void regionIntersect(Region* dst, const Region* a, const Region* b) {
  if (!regionNotEmpty(a) || !regionNotEmpty(b) ||
      !extentsOverlap(a->extents, b->extents)) {
    regionEmpty(dst);
    return;
  }
  sweep(dst, a, b, intersectBand, false, false);
}

void regionSubtract(Region* dst, const Region* m, const Region* s) {
  if (!regionNotEmpty(m) || !regionNotEmpty(s) ||
      !extentsOverlap(m->extents, s->extents)) {
    regionCopy(dst, m);
    return;
  }
  sweep(dst, m, s, subtractBand, true, false);
}

void regionTranslate(Region* r, int dx, int dy) {
  if (!regionNotEmpty(r))
    return;
  const Box& e = r->extents;
  if (e.x1 + dx >= INT16_MIN && e.x2 + dx <= INT16_MAX &&
      e.y1 + dy >= INT16_MIN && e.y2 + dy <= INT16_MAX) {
    int n = countOf(r);
    Box* b = r->data ? r->data->rects() : &r->extents;
    for (int i = 0; i < n; i++) {
      b[i].x1 = int16_t(b[i].x1 + dx);
      b[i].x2 = int16_t(b[i].x2 + dx);
      b[i].y1 = int16_t(b[i].y1 + dy);
      b[i].y2 = int16_t(b[i].y2 + dy);
    }
    if (r->data) {
      r->extents.x1 = int16_t(r->extents.x1 + dx);
      r->extents.x2 = int16_t(r->extents.x2 + dx);
      r->extents.y1 = int16_t(r->extents.y1 + dy);
      r->extents.y2 = int16_t(r->extents.y2 + dy);
    }
    return;
  }

  // Part of the region leaves the coordinate range. Clipping can make
  // neighbouring bands equal, so rebuild from the clipped boxes; this is
  // rare enough not to need speed.
  Region src = *r;
  Region acc;
  setEmpty(&acc);
  const Box* b = boxesOf(&src);
  int n = countOf(&src);
  for (int i = 0; i < n; i++) {
    Box c;
    c.x1 = int16_t(imax(INT16_MIN, imin(INT16_MAX, b[i].x1 + dx)));
    c.x2 = int16_t(imax(INT16_MIN, imin(INT16_MAX, b[i].x2 + dx)));
    c.y1 = int16_t(imax(INT16_MIN, imin(INT16_MAX, b[i].y1 + dy)));
    c.y2 = int16_t(imax(INT16_MIN, imin(INT16_MAX, b[i].y2 + dy)));
    if (boxEmpty(c))
      continue;
    Region one;
    regionInit(&one, &c);
    regionUnion(&acc, &acc, &one);
  }
  regionUninit(&src);
  *r = acc;
}

bool regionContainsPoint(const Region* r, int x, int y, Box* box) {
  const Box& e = r->extents;
  if (!regionNotEmpty(r) || x < e.x1 || x >= e.x2 || y < e.y1 || y >= e.y2)
    return false;
  const Box* b = boxesOf(r);
  const Box* end = b + countOf(r);
  for (; b != end; b++) {
    if (b->y2 <= y)
      continue;               // band above the point
    if (b->y1 > y)
      break;                  // bands below: the point lies in a gap
    if (x >= b->x1 && x < b->x2) {
      if (box)
        *box = *b;
      return true;
    }
  }
  return false;
}

bool regionNotEmpty(const Region* r) {
  return !r->data || r->data->numRects > 0;
}

int regionNumRects(const Region* r) { return countOf(r); }

const Box* regionRects(const Region* r) { return boxesOf(r); }

bool regionIsValid(const Region* r) {
  if (!r->data)
    return !boxEmpty(r->extents);
  if (r->data == &emptyRegionData)
    return emptyRegionData.numRects == 0 && emptyRegionData.size == 0 &&
           r->extents.x1 == r->extents.x2 && r->extents.y1 == r->extents.y2;
  int n = r->data->numRects;
  if (n < 1 || n > r->data->size)
    return false;
  const Box* b = r->data->rects();
  Box e = b[0];
  const Box* prevBand = nullptr;
  int prevCount = 0;
  int i = 0;
  while (i < n) {
    const Box* band = b + i;
    int count = 0;
    for (; i < n && b[i].y1 == band->y1; i++, count++) {
      if (boxEmpty(b[i]) || b[i].y2 != band->y2)
        return false;
      if (count > 0 && b[i].x1 <= b[i - 1].x2)
        return false;                    // touching or out of order
      e.x1 = b[i].x1 < e.x1 ? b[i].x1 : e.x1;
      e.x2 = b[i].x2 > e.x2 ? b[i].x2 : e.x2;
    }
    if (prevBand) {
      if (band->y1 < prevBand->y2)
        return false;
      if (band->y1 == prevBand->y2 && count == prevCount) {
        bool same = true;
        for (int k = 0; k < count; k++)
          if (band[k].x1 != prevBand[k].x1 || band[k].x2 != prevBand[k].x2)
            same = false;
        if (same)
          return false;                  // should have been merged
      }
    }
    prevBand = band;
    prevCount = count;
  }
  e.y2 = b[n - 1].y2;
  return e.x1 == r->extents.x1 && e.y1 == r->extents.y1 &&
         e.x2 == r->extents.x2 && e.y2 == r->extents.y2;
}

} // namespace xregion
