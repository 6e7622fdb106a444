// Colour maps: what the pixel values of a colour-map format stand for.
//
// Entries are red, green and blue intensities of 16 bits (0..65535). A
// ColourMap is read-only to its users; pixel buffers only point at one and
// never own it.
#pragma once

namespace rfb {

class ColourMap {
public:
  virtual ~ColourMap() {}
  // Stores the intensities of entry `index`. Indices outside the map give
  // black.
  virtual void lookup(int index, int* r, int* g, int* b) const = 0;
  // True for an orthogonal colour cube (ColorCubeOrth), whose index is a
  // sum of per-channel terms; translation to a colour-map format needs one.
  virtual bool isOrthogonal() const { return false; }
};

} // namespace rfb
