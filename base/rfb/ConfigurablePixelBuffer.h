// A full-frame buffer whose format, size and colour map can be changed.
#pragma once

#include <rfb/FullFramePixelBuffer.h>

namespace rfb {

class ConfigurablePixelBuffer : public FullFramePixelBuffer {
public:
  virtual void setPF(const PixelFormat& pf) = 0;
  // The new rect is rect.tl + (width, height).
  virtual void setSize(int width, int height) = 0;
  // Not owned.
  virtual void setColourMap(ColourMap* cm) { colourMap = cm; }

protected:
  ConfigurablePixelBuffer() {}
};

} // namespace rfb
