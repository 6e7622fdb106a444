// The one pixel operation the encoders need: copy a rectangle out.
#pragma once

#include <rfb/Rect.h>

namespace rfb {

class ImageGetter {
public:
  virtual ~ImageGetter() {}
  // Copies the pixels of `r` into `imageBuf`, rows `stride` pixels apart
  // (0: packed at r's width). The caller owns imageBuf and sizes it for
  // height rows of the buffer's pixel size. Non-const because a source may
  // produce pixels on demand (reading ahead, translating).
  virtual void getImage(void* imageBuf, const Rect& r, int stride = 0) = 0;
};

} // namespace rfb
