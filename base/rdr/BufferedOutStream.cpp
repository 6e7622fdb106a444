#include <rdr/BufferedOutStream.h>

#include <algorithm>
#include <cstring>

namespace rdr {

plat::IntParameter MaxOutBufferSize(
    "MaxOutBufferSize",
    "The maximum number of bytes to buffer internally when writing to slow "
    "connections.  Larger values improve concurrency, smaller values reduce "
    "memory usage.  Changes to this setting affect new connections only.",
    0x8000000, true, nullptr, 16384, 2147483647);

BufferedOutStream::BufferedOutStream(int size)
{
  if (size < 0)
    size = 16384;
  init(size, size_t(size));
}

BufferedOutStream::BufferedOutStream(int size, int maxSize)
{
  if (size < 0)
    size = 16384;
  if (maxSize < 0)
    maxSize = MaxOutBufferSize;
  init(size, size_t(std::max(size, maxSize)));
}

void BufferedOutStream::init(int size, size_t maxSize)
{
  bufSize = size_t(size);
  maxBufSize = maxSize;
  offset = 0;
  writeTimeout = 30000;
  start = bufSize ? new uint8_t[bufSize] : nullptr;
  ptr = sentPtr = start;
  blocking = true;
  throwErrors = true;
  resetWindow();
}

BufferedOutStream::~BufferedOutStream()
{
  delete[] start;
}

void BufferedOutStream::resetWindow()
{
  size_t used = size_t(ptr - start);
  end = start + std::min(bufSize, used + WriterWindow);
}

void BufferedOutStream::flush()
{
  flushBuffer(blocking);
}

size_t BufferedOutStream::spaceAvailable()
{
  return size_t(start + bufSize - ptr) + size_t(sentPtr - start) +
         (maxBufSize - bufSize);
}

bool BufferedOutStream::flushBuffer(bool wait)
{
  while (sentPtr < ptr) {
    size_t n = writeBuffer(sentPtr, size_t(ptr - sentPtr), wait);
    if (n == 0)
      return false;
    sentPtr += n;
  }
  offset += size_t(ptr - start);
  ptr = sentPtr = start;
  resetWindow();
  return true;
}

void BufferedOutStream::compact()
{
  size_t sent = size_t(sentPtr - start);
  if (sent == 0)
    return;
  size_t pending = size_t(ptr - sentPtr);
  memmove(start, sentPtr, pending);
  offset += sent;
  sentPtr = start;
  ptr = start + pending;
}

void BufferedOutStream::grow()
{
  size_t newSize = std::min(bufSize * 2, maxBufSize);
  size_t pending = size_t(ptr - sentPtr);
  uint8_t* block = new uint8_t[newSize];
  memcpy(block, sentPtr, pending);
  offset += size_t(sentPtr - start);
  delete[] start;
  start = sentPtr = block;
  ptr = start + pending;
  bufSize = newSize;
}

size_t BufferedOutStream::overrun(size_t itemSize, size_t nItems)
{
  if (bufSize == 0)
    throw OutStreamFull();
  if (maxBufSize < itemSize)
    throw plat::Exception("BufferedOutStream overrun: buffer size exceeded");

  // Give the sink what it takes now; grow rather than wait for the rest.
  flushBuffer(false);
  while (size_t(start + bufSize - ptr) + size_t(sentPtr - start) < itemSize) {
    if (bufSize < maxBufSize) {
      grow();
    } else {
      size_t n = writeBuffer(sentPtr, size_t(ptr - sentPtr), true);
      if (n == 0)
        throw plat::Exception("BufferedOutStream overrun: unable to write");
      sentPtr += n;
    }
  }
  compact();

  // The window never stops short of one whole item, even past the usual
  // writer window.
  size_t used = size_t(ptr - start);
  end = start + std::min(bufSize, used + std::max(WriterWindow, itemSize));
  return itemsInWindow(itemSize, nItems);
}

void BufferedLazyOutStream::lazyFlush(bool flag)
{
  blocking = !flag;
  while (sentPtr < ptr) {
    size_t n = writeBuffer(sentPtr, size_t(ptr - sentPtr), blocking);
    if (n == 0)
      break;
    sentPtr += n;
  }
}

} // namespace rdr
