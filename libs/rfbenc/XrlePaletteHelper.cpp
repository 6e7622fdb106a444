#include <rfbenc/XrlePaletteHelper.h>

#include <plat/Assert.h>

namespace rfb {

int XrlePaletteHelper::lookup(uint32_t p) const
{
  PLAT_ASSERT(size <= MAX_SIZE);
  for (unsigned h = hash(p); index_[h] != EmptySlot; h++) {
    if (palette[index_[h]] == p)
      return index_[h];
  }
  return -1;
}

} // namespace rfb
