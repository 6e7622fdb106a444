// An orthogonal colour cube: a colour map whose index is a sum of one term
// per channel, index = r * redMult + g * greenMult + b * blueMult, where r,
// g and b are levels 0..n-1 of their channel spread evenly over the
// intensity range. Translation into a colour-map format builds its tables
// from such a cube.
#pragma once

#include <rfb/ColourMap.h>

namespace rfb {

class ColorCubeOrth : public ColourMap {
public:
  ColorCubeOrth(int nRed, int nGreen, int nBlue, int redMult, int greenMult,
                int blueMult);
  // The largest cube whose indices fit in `depth` bits (1..8), levels as
  // even as possible, blue varying fastest.
  static ColorCubeOrth forDepth(int depth);

  void lookup(int index, int* r, int* g, int* b) const override;
  bool isOrthogonal() const override { return true; }

  int size() const { return nRed * nGreen * nBlue; }

  int nRed, nGreen, nBlue;
  int redMult, greenMult, blueMult;
};

} // namespace rfb
