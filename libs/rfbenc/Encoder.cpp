#include <rfbenc/Encoder.h>

#include <rfb/Region.h>
#include <rfbenc/EncoderCallback.h>

#include <vector>

namespace rfb {

Encoder::Encoder(EncoderCallback* cb, int encoding)
    : cb_(cb), encoding_(encoding)
{
}

Encoder::~Encoder() {}

int Encoder::getNumRects(const Region& region)
{
  std::vector<Rect> rects;
  cb_->getRects(region, &rects);
  return int(rects.size());
}

bool Encoder::writeUpdate(const Region& region, PixelBuffer& source, void* arg,
                          Region&)
{
  std::vector<Rect> rects;
  cb_->getRects(region, &rects);
  for (const Rect& r : rects)
    writeRect(r, source, arg);
  return true;
}

bool Encoder::writeRect(const Rect& r, PixelBuffer& source, void*)
{
  rdr::OutStream* os = cb_->startRect(r, encoding_, true);
  writeRectData(r, *os, source);
  cb_->endRect(false);
  return true;
}

} // namespace rfb
