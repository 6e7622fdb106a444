#include <rfbenc/EncoderCallback.h>

#include <rfb/Region.h>

#include <cstring>

namespace rfb {

EncoderCallback::EncoderCallback(size_t preferredMax, bool wipe)
    : preferredMax_(preferredMax), wipe_(wipe)
{
}

EncoderCallback::~EncoderCallback()
{
  if (wipe_ && buf_)
    memset(buf_, 0, size_);
  delete[] buf_;
}

rdr::OutStream* EncoderCallback::startRect(const Rect&, int, bool)
{
  return nullptr;
}

void EncoderCallback::endRect(bool) {}

void* EncoderCallback::getBuffer(size_t itemSize, size_t minItems,
                                 size_t maxItems, size_t* nItems)
{
  size_t want = maxItems * itemSize;
  if (want > preferredMax_)
    want = preferredMax_;
  if (want < minItems * itemSize)
    want = minItems * itemSize;
  if (want > size_) {
    uint8_t* fresh = new uint8_t[want];
    if (wipe_ && buf_)
      memset(buf_, 0, size_);
    delete[] buf_;
    buf_ = fresh;
    size_ = want;
  }
  if (nItems)
    *nItems = itemSize ? size_ / itemSize : 0;
  return buf_;
}

size_t EncoderCallback::length()
{
  return 0;
}

int EncoderCallback::version()
{
  return 4;
}

void EncoderCallback::getRects(const Region& region, std::vector<Rect>* rects)
{
  region.getRects(rects);
}

} // namespace rfb
