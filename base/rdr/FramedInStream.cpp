#include <rdr/FramedInStream.h>

#include <rdr/OutStream.h>

#include <algorithm>

namespace rdr {

FramedInStream::FramedInStream(InStream* in)
    : underlying(in), inMsg_(false), last(false), savedLast(false),
      frameSize(0), savedFrameSize(0), msgPos(0), savedMsgPos(0)
{
}

void FramedInStream::setUnderlying(InStream* in)
{
  underlying = in;
  inMsg_ = false;
  ptr = end = nullptr;
}

void FramedInStream::account()
{
  int consumed = int(ptr - underlying->getPtr());
  frameSize -= consumed;
  PLAT_ASSERT(frameSize >= 0);
  msgPos += consumed;
  underlying->setPtr(ptr);
}

void FramedInStream::clip()
{
  ptr = underlying->getPtr();
  end = ptr + std::min(underlying->nUnread(), size_t(frameSize));
  PLAT_ASSERT(end >= ptr);
}

bool FramedInStream::startMsg(bool wait)
{
  if (inMsg_)
    return true;
  if (!wait && underlying->nUnread() == 0 && !underlying->check(false, 1))
    return false;
  int size;
  bool isLast;
  try {
    if (!readHeader(&size, &isLast, wait))
      return false;
  } catch (BlockException&) {
    if (wait)
      throw;
    return false;
  }
  inMsg_ = true;
  frameSize = size;
  last = isLast;
  msgPos = 0;
  clip();
  setCheckpoint();
  return true;
}

void FramedInStream::endMsg()
{
  if (!atEnd())
    throw FrameException("FramedInStream::endMsg: data left in msg");
  setCheckpoint();
  inMsg_ = false;
  ptr = end = underlying->getPtr();
}

void FramedInStream::skipMsg()
{
  while (!atEnd()) {
    if (ptr == end)
      check(true, 1);
    ptr = end;
    setCheckpoint();
  }
}

void FramedInStream::copyMsgTo(OutStream* out)
{
  while (!atEnd()) {
    if (ptr == end)
      check(true, 1);
    out->writeBytes(ptr, nUnread());
    ptr = end;
    setCheckpoint();
  }
}

int FramedInStream::pos() const
{
  if (!inMsg_)
    return msgPos;
  return msgPos + int(ptr - underlying->getPtr());
}

void FramedInStream::setCheckpoint()
{
  if (inMsg_) {
    account();
    underlying->setCheckpoint();
  }
  InStream::setCheckpoint();
  savedLast = last;
  savedFrameSize = frameSize;
  savedMsgPos = msgPos;
}

void FramedInStream::rewind()
{
  if (!inMsg_)
    return;
  underlying->rewind();
  last = savedLast;
  frameSize = savedFrameSize;
  msgPos = savedMsgPos;
  clip();
}

bool FramedInStream::atEnd()
{
  PLAT_ASSERT(inMsg_);
  try {
    if (!nextFrame(true))
      return false;
  } catch (BlockException&) {
    rewind();
    throw;
  } catch (...) {
    clip();
    throw;
  }
  return last && frameSize == 0;
}

bool FramedInStream::nextFrame(bool wait)
{
  account();
  while (!last && frameSize == 0) {
    if (underlying->nUnread() == 0 && !underlying->check(wait, 1))
      return false;
    if (!readHeader(&frameSize, &last, wait))
      return false;
  }
  clip();
  return true;
}

int FramedInStream::overrun(size_t itemSize)
{
  PLAT_ASSERT(inMsg_);
  account();
  int result = 1;
  try {
    if (size_t(frameSize) >= itemSize) {
      if (underlying->nUnread() < itemSize)
        result = underlying->check(false, itemSize);
    } else if (frameSize == 0 || underlying->nUnread() == 0) {
      if (!nextFrame(false))
        return 0;
      if (frameSize == 0)
        throw EndOfMsg();
      if (underlying->nUnread() == 0)
        result = underlying->check(false, 1);
    }
  } catch (...) {
    // A buffered underlying stream may have moved its data before its
    // refill failed (EndOfStream): point the window into it again, or the
    // next read (readLine goes on after the end) would use the old one.
    clip();
    throw;
  }
  clip();
  return result;
}

bool InStreamV4::readHeader(int* frameSize, bool* last, bool wait)
{
  if (underlying->nUnread() < 2 && !underlying->check(wait, 2))
    return false;
  uint16_t header = underlying->readU16();
  *frameSize = header & 0x7fff;
  *last = (header & 0x8000) != 0;
  return true;
}

} // namespace rdr
