// Integer pixel geometry shared by the whole pixel model.
//
// A Rect covers the pixels from `tl` (inclusive) to `br` (exclusive), so a
// rectangle whose width or height is zero or negative holds no pixel. The
// region code works on 16-bit boxes; RgnRect is the clamped conversion
// between the two, and `Rect(RgnRect(r)) == r` holds exactly when every
// coordinate of r fits in 16 bits.
#pragma once

#include <Xregion/miregion.h>

namespace rfb {

struct Point {
  Point() : x(0), y(0) {}
  Point(int x_, int y_) : x(x_), y(y_) {}
  Point translate(const Point& d) const { return Point(x + d.x, y + d.y); }
  Point negate() const { return Point(-x, -y); }
  bool operator==(const Point& p) const { return x == p.x && y == p.y; }
  bool operator!=(const Point& p) const { return !(*this == p); }
  int x, y;
};

struct Rect {
  // Text room for print(): four ints, " to " and a terminator.
  enum { PrintSize = 64 };

  Rect() {}
  Rect(const Point& tl_, const Point& br_) : tl(tl_), br(br_) {}
  Rect(int x1, int y1, int x2, int y2) : tl(x1, y1), br(x2, y2) {}
  explicit Rect(const xregion::Box& b) : tl(b.x1, b.y1), br(b.x2, b.y2) {}

  void setXYWH(int x, int y, int w, int h)
  {
    tl = Point(x, y);
    br = Point(x + w, y + h);
  }
  int width() const { return br.x - tl.x; }
  int height() const { return br.y - tl.y; }
  // Pixel count; 0 for an empty rectangle.
  long area() const { return isEmpty() ? 0 : long(width()) * height(); }
  bool isEmpty() const { return br.x <= tl.x || br.y <= tl.y; }
  bool contains(const Point& p) const
  {
    return p.x >= tl.x && p.x < br.x && p.y >= tl.y && p.y < br.y;
  }
  // Whether r lies wholly inside this rectangle (corner comparison; an
  // empty r counts by its corners like any other).
  bool encloses(const Rect& r) const
  {
    return r.tl.x >= tl.x && r.tl.y >= tl.y && r.br.x <= br.x && r.br.y <= br.y;
  }
  bool overlaps(const Rect& r) const { return !intersect(r).isEmpty(); }
  // The common part. An empty result keeps tl == br on the empty axis
  // rather than crossing over.
  Rect intersect(const Rect& r) const
  {
    Rect res;
    res.tl.x = tl.x > r.tl.x ? tl.x : r.tl.x;
    res.tl.y = tl.y > r.tl.y ? tl.y : r.tl.y;
    res.br.x = br.x < r.br.x ? br.x : r.br.x;
    res.br.y = br.y < r.br.y ? br.y : r.br.y;
    if (res.br.x < res.tl.x)
      res.br.x = res.tl.x;
    if (res.br.y < res.tl.y)
      res.br.y = res.tl.y;
    return res;
  }
  Rect translate(const Point& d) const
  {
    return Rect(tl.translate(d), br.translate(d));
  }
  bool operator==(const Rect& r) const { return tl == r.tl && br == r.br; }
  bool operator!=(const Rect& r) const { return !(*this == r); }

  // Writes "x1,y1 to x2,y2" into buf (PrintSize bytes) and returns buf.
  const char* print(char* buf) const;

  Point tl, br;
};

// A Rect as a region box, each coordinate clamped to -32768..32767.
struct RgnRect : xregion::Box {
  explicit RgnRect(const Rect& r)
  {
    x1 = clamp(r.tl.x);
    y1 = clamp(r.tl.y);
    x2 = clamp(r.br.x);
    y2 = clamp(r.br.y);
  }
  static int16_t clamp(int v)
  {
    return int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
  }
};

} // namespace rfb
