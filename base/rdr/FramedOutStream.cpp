#include <rdr/FramedOutStream.h>

#include <algorithm>

namespace rdr {

FramedOutStream::FramedOutStream(OutStream* os, int maxFrame, int hdr)
    : maxFrameSize(size_t(maxFrame)), hdrSize(size_t(hdr)), inMsg_(false),
      inFrame(false), firstFrame(false), msgBytes(0), underlying(os)
{
}

void FramedOutStream::setUnderlying(OutStream* out)
{
  underlying = out;
  inMsg_ = inFrame = false;
  ptr = end = nullptr;
}

void FramedOutStream::startMsg()
{
  if (inMsg_)
    throw FrameException("FramedOutStream::startMsg: already in msg");
  PLAT_ASSERT(underlying);
  inMsg_ = true;
  firstFrame = true;
  msgBytes = 0;
  startFrame(0);
}

void FramedOutStream::endMsg(bool flush)
{
  if (!inFrame)
    throw FrameException("FramedOutStream::endMsg: not in frame");
  endFrame(true);
  inMsg_ = false;
  if (flush)
    underlying->flush();
}

size_t FramedOutStream::length() const
{
  if (inMsg_ && inFrame)
    return msgBytes + size_t(ptr - underlying->getPtr()) - hdrSize;
  return msgBytes;
}

void FramedOutStream::flush()
{
  if (!inMsg_) {
    underlying->flush();
    return;
  }
  endFrame(false);
  underlying->flush();
  startFrame(0);
}

OutStream* FramedOutStream::bottomStream()
{
  return underlying ? underlying->bottomStream() : this;
}

size_t FramedOutStream::spaceAvailable()
{
  size_t space = underlying ? underlying->spaceAvailable() : 0;
  return space > hdrSize ? space - hdrSize : 0;
}

bool FramedOutStream::shutdownWrite()
{
  return underlying ? underlying->shutdownWrite() : false;
}

size_t FramedOutStream::overrun(size_t itemSize, size_t nItems)
{
  endFrame(false);
  startFrame(itemSize);
  return itemsInWindow(itemSize, nItems);
}

void FramedOutStream::startFrame(size_t minSize)
{
  PLAT_ASSERT(!inFrame);
  // A framed underlying stream makes this room by starting a frame itself.
  underlying->check(hdrSize + minSize);
  ptr = underlying->getPtr() + hdrSize;
  inFrame = true;
  end = std::min(underlying->getEnd(), ptr + maxFrameSize);
}

void FramedOutStream::endFrame(bool last)
{
  if (!inFrame)
    throw FrameException("FramedOutStream::endFrame: not in frame");
  inFrame = false;
  uint8_t* payloadEnd = ptr;
  size_t len = size_t(ptr - underlying->getPtr()) - hdrSize;
  if (len == 0 && !last) {
    ptr = end = underlying->getPtr();
    return;
  }
  ptr = underlying->getPtr();
  if (size_t(end - ptr) < hdrSize)
    throw FrameException("FramedOutStream::endFrame: no space for header");
  writeHeader(len, last, firstFrame);
  PLAT_ASSERT(ptr == underlying->getPtr() + hdrSize);
  msgBytes += len;
  underlying->setPtr(payloadEnd);
  firstFrame = false;
  ptr = end = underlying->getPtr();
}

void OutStreamV4::writeHeader(size_t length, bool last, bool)
{
  writeU16(uint16_t((last ? 0x8000 : 0) | length));
}

} // namespace rdr
