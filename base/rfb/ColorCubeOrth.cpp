#include <rfb/ColorCubeOrth.h>

namespace rfb {

ColorCubeOrth::ColorCubeOrth(int nr, int ng, int nb, int rm, int gm, int bm)
    : nRed(nr), nGreen(ng), nBlue(nb), redMult(rm), greenMult(gm), blueMult(bm)
{
}

ColorCubeOrth ColorCubeOrth::forDepth(int depth)
{
  int limit = 1 << (depth < 1 ? 1 : depth > 8 ? 8 : depth);
  int n = 1;
  while ((n + 1) * (n + 1) * (n + 1) <= limit)
    n++;
  // Spend what is left on green first (the eye's most sensitive channel),
  // then red.
  int nr = n, ng = n, nb = n;
  if (nr * (ng + 1) * nb <= limit)
    ng++;
  if ((nr + 1) * ng * nb <= limit)
    nr++;
  return ColorCubeOrth(nr, ng, nb, ng * nb, nb, 1);
}

namespace {
int intensity(int level, int n)
{
  return n > 1 ? (level * 65535 + (n - 1) / 2) / (n - 1) : 0;
}
} // namespace

void ColorCubeOrth::lookup(int index, int* r, int* g, int* b) const
{
  if (index < 0 || index >= size()) {
    *r = *g = *b = 0;
    return;
  }
  *r = intensity(index / redMult % nRed, nRed);
  *g = intensity(index / greenMult % nGreen, nGreen);
  *b = intensity(index / blueMult % nBlue, nBlue);
}

} // namespace rfb
