#include <rfb/ColourMapRW.h>

#include <cstddef>

namespace rfb {

ColourMapRW::ColourMapRW(int size) : entries(size_t(size > 0 ? size : 0)) {}

void ColourMapRW::set(int index, int r, int g, int b)
{
  if (index < 0 || index >= size())
    return;
  entries[size_t(index)] = Entry{uint16_t(r), uint16_t(g), uint16_t(b)};
}

void ColourMapRW::lookup(int index, int* r, int* g, int* b) const
{
  if (index < 0 || index >= size()) {
    *r = *g = *b = 0;
    return;
  }
  const Entry& e = entries[size_t(index)];
  *r = e.r;
  *g = e.g;
  *b = e.b;
}

} // namespace rfb
