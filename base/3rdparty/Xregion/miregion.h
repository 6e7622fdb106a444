// Region algebra over sets of pixels with 16-bit coordinates.
//
// A region is kept as a y-x banded list of non-overlapping boxes: boxes are
// sorted by y1 then x1; boxes sharing a y range form a band; boxes within a
// band neither touch nor overlap; two vertically adjacent bands with the
// same horizontal spans are always merged into one. This canonical form
// makes equal sets have equal box lists, and lets union, intersection and
// subtraction run as one top-to-bottom sweep over both operands.
//
// Storage: a region holds its bounding box (`extents`) and a pointer to a
// RegionData block (capacity, count, then the boxes). A null pointer means
// the region is exactly its extents. Every empty region points at the one
// shared, never-freed emptyRegionData block. The functions below are plain
// C-style operations; rfb::Region wraps them with ownership.
//
// None of these functions throws. Running out of memory on the first
// allocation of a block is a fatal assertion; failure to grow an existing
// block leaves the result region empty.
#pragma once

#include <cstdint>

namespace xregion {

// x1, y1 inclusive; x2, y2 exclusive. A box with x1 >= x2 or y1 >= y2 is
// empty.
struct Box {
  int16_t x1, y1, x2, y2;
};

struct RegionData {
  int32_t size;      // capacity in boxes
  int32_t numRects;  // boxes in use
  // `size` boxes follow the header.
  Box* rects() { return reinterpret_cast<Box*>(this + 1); }
  const Box* rects() const { return reinterpret_cast<const Box*>(this + 1); }
};
static_assert(sizeof(RegionData) == sizeof(Box),
              "a data block is (capacity + 1) boxes long");

struct Region {
  Box extents;
  RegionData* data;
};

// The shared block of every empty region: capacity 0, no boxes.
extern RegionData emptyRegionData;

// Initialises `r` to the single box `box`, or to the empty region when
// `box` is null or empty. `r` must not hold data yet (no release happens).
void regionInit(Region* r, const Box* box);
// Releases the data block of `r` unless it is null or the shared empty
// block. `r` must be initialised again before further use.
void regionUninit(Region* r);
// Makes `r` empty, releasing its data.
void regionEmpty(Region* r);
// Makes `dst` a copy of `src`. Safe when both are the same region.
void regionCopy(Region* dst, const Region* src);

// dst = a ∪ b, a ∩ b, m − s. `dst` may be one of the operands.
void regionUnion(Region* dst, const Region* a, const Region* b);
void regionIntersect(Region* dst, const Region* a, const Region* b);
void regionSubtract(Region* dst, const Region* m, const Region* s);

// Moves every box by (dx, dy). Parts pushed past the 16-bit coordinate
// range are cut off.
void regionTranslate(Region* r, int dx, int dy);

// Whether pixel (x, y) belongs to the region. When it does and `box` is
// not null, the box containing it is stored there.
bool regionContainsPoint(const Region* r, int x, int y, Box* box = nullptr);

bool regionNotEmpty(const Region* r);
// Box listing in band order. With a null data pointer the single box is
// the extents.
int regionNumRects(const Region* r);
const Box* regionRects(const Region* r);

// Checks every representation invariant (order, banding, merging, extents,
// empty-block use). For tests and debugging; linear in the box count.
bool regionIsValid(const Region* r);

} // namespace xregion
