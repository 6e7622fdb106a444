// A colour map whose entries can be set.
#pragma once

#include <rfb/ColourMap.h>

#include <cstdint>
#include <vector>

namespace rfb {

class ColourMapRW : public ColourMap {
public:
  // `size` entries, all black. Throws std::bad_alloc.
  explicit ColourMapRW(int size = 256);

  int size() const { return int(entries.size()); }
  // Sets entry `index` (ignored outside the map) to 16-bit intensities.
  void set(int index, int r, int g, int b);
  void lookup(int index, int* r, int* g, int* b) const override;

private:
  struct Entry {
    uint16_t r, g, b;
  };
  std::vector<Entry> entries;
};

} // namespace rfb
