#include <rfb/Region.h>

#include <cstring>

namespace rfb {

Region::Region()
{
  xregion::regionInit(&rgn_, nullptr);
}

Region::Region(const Rect& r)
{
  RgnRect box(r);
  xregion::regionInit(&rgn_, &box);
}

Region::Region(const Region& r)
{
  xregion::regionInit(&rgn_, nullptr);
  xregion::regionCopy(&rgn_, &r.rgn_);
}

Region::~Region()
{
  xregion::regionUninit(&rgn_);
}

Region& Region::operator=(const Region& r)
{
  xregion::regionCopy(&rgn_, &r.rgn_);
  return *this;
}

void Region::clear()
{
  xregion::regionEmpty(&rgn_);
}

void Region::reset(const Rect& r)
{
  xregion::regionUninit(&rgn_);
  RgnRect box(r);
  xregion::regionInit(&rgn_, &box);
}

void Region::translate(const Point& d)
{
  xregion::regionTranslate(&rgn_, d.x, d.y);
}

void Region::assignUnion(const Region& r)
{
  xregion::regionUnion(&rgn_, &rgn_, &r.rgn_);
}

void Region::assignIntersect(const Region& r)
{
  xregion::regionIntersect(&rgn_, &rgn_, &r.rgn_);
}

void Region::assignSubtract(const Region& r)
{
  xregion::regionSubtract(&rgn_, &rgn_, &r.rgn_);
}

Region Region::unionOf(const Region& r) const
{
  Region res;
  xregion::regionUnion(&res.rgn_, &rgn_, &r.rgn_);
  return res;
}

Region Region::intersect(const Region& r) const
{
  Region res;
  xregion::regionIntersect(&res.rgn_, &rgn_, &r.rgn_);
  return res;
}

Region Region::subtract(const Region& r) const
{
  Region res;
  xregion::regionSubtract(&res.rgn_, &rgn_, &r.rgn_);
  return res;
}

bool Region::operator==(const Region& r) const
{
  // The banded form is canonical: equal sets have equal box lists.
  int n = numRects();
  if (isEmpty() || r.isEmpty())
    return isEmpty() == r.isEmpty();
  return n == r.numRects() &&
         memcmp(rects(), r.rects(), size_t(n) * sizeof(xregion::Box)) == 0;
}

bool Region::isEmpty() const
{
  return !xregion::regionNotEmpty(&rgn_);
}

bool Region::contains(const Point& p) const
{
  return xregion::regionContainsPoint(&rgn_, p.x, p.y);
}

Rect Region::getBoundingRect() const
{
  if (isEmpty())
    return Rect();
  return Rect(rgn_.extents);
}

int Region::numRects() const
{
  return xregion::regionNumRects(&rgn_);
}

const xregion::Box* Region::rects() const
{
  return xregion::regionRects(&rgn_);
}

void Region::getRects(std::vector<Rect>* out) const
{
  out->clear();
  if (isEmpty())
    return;
  int n = numRects();
  const xregion::Box* b = rects();
  out->reserve(size_t(n));
  for (int i = 0; i < n; i++)
    out->push_back(Rect(b[i]));
}

} // namespace rfb
