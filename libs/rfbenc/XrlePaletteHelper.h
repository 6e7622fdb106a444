// The colour palette of one ZRLE tile: up to MAX_SIZE colours in order of
// first appearance, with a hash index for lookup.
//
// The index is 1024 home slots plus 128 overflow slots of one byte each,
// 255 meaning empty. A colour's home slot is
// ((p >> 20) ^ (p >> 10) ^ p) & 0x3ff, collisions probe the following
// slots, and since at most 127 colours are ever stored no probe can run
// past slot 1023 + 127: the probe loop needs no wrap-around test.
//
// The tile analysis stops looking colours up once 127 are stored and only
// counts further runs in `size`; any size above MAX_SIZE therefore means
// "overflowed: no usable palette". Plain data, no ownership.
#pragma once

#include <cstdint>
#include <cstring>

namespace rfb {

class XrlePaletteHelper {
public:
  enum { MAX_SIZE = 127 };
  enum { HashSlots = 1024, HashSlack = 128, EmptySlot = 255 };

  XrlePaletteHelper() { clear(); }

  void clear()
  {
    memset(index_, EmptySlot, sizeof(index_));
    size = 0;
  }

  // Index of colour p, which is added when new. Only for a palette that
  // is not full (size < MAX_SIZE); the analysis loop guarantees that.
  int insert(uint32_t p)
  {
    unsigned h = hash(p);
    while (index_[h] != EmptySlot) {
      if (palette[index_[h]] == p)
        return index_[h];
      h++;
    }
    palette[size] = p;
    index_[h] = uint8_t(size);
    return size++;
  }

  // Index of colour p, or -1 when absent. Fatal assertion on an
  // overflowed palette.
  int lookup(uint32_t p) const;

  // Bits per packed index for a palette of n colours: 0, 1, 2 or 4, and 8
  // for sizes above 16 (which have no packed form).
  static int indexWidth(int n)
  {
    return n <= 1 ? 0 : n == 2 ? 1 : n <= 4 ? 2 : n <= 16 ? 4 : 8;
  }

  uint32_t palette[MAX_SIZE];
  int size;

private:
  static unsigned hash(uint32_t p)
  {
    return ((p >> 20) ^ (p >> 10) ^ p) & (HashSlots - 1);
  }

  uint8_t index_[HashSlots + HashSlack];
};

} // namespace rfb
