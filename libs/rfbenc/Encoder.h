// Base of the rectangle encoders: turns rectangles of a pixel source into
// encoded rectangle data announced to an EncoderCallback.
//
// The defaults build everything on writeRectData: writeRect frames one
// rectangle through the callback, writeUpdate writes each rectangle of a
// region. Encoders are used by one thread at a time.
#pragma once

#include <rfb/Rect.h>

#include <cstddef>

namespace rdr {
class OutStream;
}

namespace rfb {

class EncoderCallback;
class PixelBuffer;
class Region;

class Encoder {
public:
  virtual ~Encoder();

  // The source's pixel format or contents changed outside any update.
  // Nothing in the base needs to know.
  virtual void sourceChanged() {}
  // How many rectangles writeUpdate would announce for region.
  virtual int getNumRects(const Region& region);
  // Encodes region as one update. Rectangles (or parts) left out are added
  // to `remaining`. Returns false when something was left out. `arg` is
  // passed on to writeRect. Throws what the streams throw.
  virtual bool writeUpdate(const Region& region, PixelBuffer& source, void* arg,
                           Region& remaining);
  // Encodes r with a rectangle header obtained from the callback.
  virtual bool writeRect(const Rect& r, PixelBuffer& source, void* arg);
  // Encodes r into os; the caller has written the rectangle header.
  virtual bool writeRectData(const Rect& r, rdr::OutStream& os,
                             PixelBuffer& source) = 0;
  // Forgets all state shared between rectangles.
  virtual void reset() {}
  // Whether decoding gives back the exact pixels.
  virtual bool isLossless() const { return true; }

  int encoding() const { return encoding_; }

protected:
  // cb is not owned and must outlive the encoder.
  Encoder(EncoderCallback* cb, int encoding);

  EncoderCallback* cb_;
  int encoding_;
};

} // namespace rfb
