// A pixel buffer that shows another one in a different pixel format.
//
// Pixels are converted as they are read. The translation is chosen once per
// change of source or output format: none when the formats are equal (reads
// go straight to the source), a byte shuffle when only the order of whole-
// byte channels differs, otherwise per-channel lookup tables, into either a
// true-colour format or the indices of an orthogonal colour cube.
//
// The source is not owned and must outlive its use here. Not thread-safe.
#pragma once

#include <rfb/ColorCubeOrth.h>
#include <rfb/PixelBuffer.h>
#include <rfb/TransFns.h>

#include <memory>

namespace rfb {

class ManagedPixelBuffer;

class TransPixelBuffer : public PixelBuffer {
public:
  // No source; output and source formats start as the default format.
  TransPixelBuffer();
  ~TransPixelBuffer() override;
  TransPixelBuffer(const TransPixelBuffer&) = delete;
  TransPixelBuffer& operator=(const TransPixelBuffer&) = delete;

  // Makes pb (not owned; may be null) the source; the rect becomes pb's
  // (empty without a source). Throws plat::AssertionFail when the new
  // translation is not possible, std::bad_alloc when memory runs out.
  void setPixelBuffer(PixelBuffer* pb);
  // Sets the output format; throws as setPixelBuffer.
  void setPF(const PixelFormat& pf);
  // The colour map of a colour-map output format: must be an orthogonal
  // cube (not owned). Without one a cube for the output depth is made.
  void setColourMap(ColourMap* cm);

  // Reads the source's pixels of r and writes them translated.
  void getImage(void* imageBuf, const Rect& r, int stride = 0) override;
  ColourMap* getColourMap() const override;
  // Without translation the source's own pointer; otherwise a pointer into
  // a scratch frame valid until the next call.
  const uint8_t* getPixelsR(const Rect& r, int* stride) override;
  void grabRegion(const Region& region) override;

  bool translating() const { return needTrans; }

private:
  void chooseTranslation();

  PixelBuffer* source;
  PixelFormat inPF;
  bool needTrans;
  ShuffleFn shuffle;
  TransTables tables;
  ColourMap* outCM;                       // set by setColourMap
  std::unique_ptr<ColorCubeOrth> ownCube; // made when outCM is null
  std::unique_ptr<ManagedPixelBuffer> scratch;
};

} // namespace rfb
