#include <rfb/TransPixelBuffer.h>

#include <plat/Assert.h>
#include <rfb/ManagedPixelBuffer.h>

namespace rfb {

TransPixelBuffer::TransPixelBuffer()
    : source(nullptr), needTrans(false), shuffle(nullptr), outCM(nullptr)
{
}

TransPixelBuffer::~TransPixelBuffer() {}

void TransPixelBuffer::setPixelBuffer(PixelBuffer* pb)
{
  bool sameFormat = source && pb && pb->getPF() == inPF;
  source = pb;
  rect = pb ? pb->getRect() : Rect();
  if (!pb || sameFormat)
    return;
  inPF = pb->getPF();
  chooseTranslation();
}

void TransPixelBuffer::setPF(const PixelFormat& pf)
{
  if (pf == format)
    return;
  format = pf;
  if (source)
    chooseTranslation();
}

void TransPixelBuffer::setColourMap(ColourMap* cm)
{
  outCM = cm;
  if (source && !format.trueColour)
    chooseTranslation();
}

ColourMap* TransPixelBuffer::getColourMap() const
{
  if (outCM)
    return outCM;
  if (ownCube)
    return ownCube.get();
  return source ? source->getColourMap() : nullptr;
}

void TransPixelBuffer::chooseTranslation()
{
  const PixelFormat& pf = format;
  PLAT_ASSERT_THROW(inPF.isValid());
  PLAT_ASSERT_THROW(pf.isValid());
  needTrans = false;
  shuffle = nullptr;
  ownCube.reset();
  if (inPF == pf)
    return;
  needTrans = true;

  // Shuffles and tables read the input as native integers.
  PixelFormat in(inPF), out(pf);
  in.makeNativeEndian();
  PLAT_ASSERT_THROW(in.isNativeEndian());
  PLAT_ASSERT_THROW(in.trueColour);

  if (out.trueColour) {
    PixelFormat nativeOut(out);
    if (in.hasByteChannels() && nativeOut.makeNativeEndian() &&
        nativeOut.hasByteChannels()) {
      shuffle = findShuffle(in, nativeOut);
      if (shuffle)
        return;
    }
    tables.buildTrueColour(in, out);
    return;
  }

  const ColourMap* orthCM = outCM;
  if (!orthCM) {
    ownCube.reset(new ColorCubeOrth(ColorCubeOrth::forDepth(out.depth)));
    orthCM = ownCube.get();
  }
  PLAT_ASSERT_THROW(orthCM->isOrthogonal());
  tables.buildToCube(in, out, *static_cast<const ColorCubeOrth*>(orthCM));
}

void TransPixelBuffer::getImage(void* imageBuf, const Rect& r, int stride)
{
  if (!source || r.isEmpty())
    return;
  if (!needTrans) {
    source->getImage(imageBuf, r, stride);
    return;
  }
  int inStride;
  const uint8_t* in = source->getPixelsR(r, &inStride);
  if (stride == 0)
    stride = r.width();
  uint8_t* out = static_cast<uint8_t*>(imageBuf);
  if (shuffle)
    shuffle(in, inStride, out, stride, r.width(), r.height());
  else
    tables.translate(in, inStride, out, stride, r.width(), r.height());
}

const uint8_t* TransPixelBuffer::getPixelsR(const Rect& r, int* stride)
{
  if (!needTrans) {
    if (!source) {
      if (stride)
        *stride = 0;
      return nullptr;
    }
    return source->getPixelsR(r, stride);
  }
  if (!scratch)
    scratch.reset(new ManagedPixelBuffer());
  scratch->setPF(format);
  scratch->setSize(r.width(), r.height());
  Rect all(0, 0, r.width(), r.height());
  int s;
  uint8_t* data = scratch->getPixelsRW(all, &s);
  getImage(data, r, s);
  if (stride)
    *stride = s;
  return data;
}

void TransPixelBuffer::grabRegion(const Region& region)
{
  if (source)
    source->grabRegion(region);
}

} // namespace rfb
