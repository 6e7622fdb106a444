// A set of pixels as a list of non-overlapping rectangles.
//
// Wraps the banded region code of Xregion: coordinates are 16-bit, and
// rectangles handed in are clamped to -32768..32767 (RgnRect). The
// rectangles come out in band order: top to bottom, and left to right
// within a band. Copyable; the region owns its box data.
#pragma once

#include <rfb/Rect.h>

#include <vector>

namespace rfb {

class Region {
public:
  Region(); // empty
  explicit Region(const Rect& r);
  Region(const Region& r);
  ~Region();
  Region& operator=(const Region& r);

  void clear();
  void reset(const Rect& r);
  void translate(const Point& delta);

  // In place: this = this op r.
  void assignUnion(const Region& r);
  void assignIntersect(const Region& r);
  void assignSubtract(const Region& r);
  Region unionOf(const Region& r) const;
  Region intersect(const Region& r) const;
  Region subtract(const Region& r) const;

  bool operator==(const Region& r) const;
  bool operator!=(const Region& r) const { return !(*this == r); }
  bool isEmpty() const;
  bool contains(const Point& p) const;
  Rect getBoundingRect() const;

  // Box listing in band order; the pointer stays valid until the region
  // next changes.
  int numRects() const;
  const xregion::Box* rects() const;
  // The same boxes as rectangles, appended to `out` after clearing it.
  void getRects(std::vector<Rect>* out) const;

  const xregion::Region* xrgn() const { return &rgn_; }

private:
  xregion::Region rgn_;
};

} // namespace rfb
