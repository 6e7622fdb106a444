#include <rdr/MemOutStream.h>

#include <plat/String.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace rdr {

MemOutStream::MemOutStream(int initialSize, size_t maxSize_)
    : start(nullptr), allocated(0), maxSize(maxSize_)
{
  if (initialSize < 0)
    initialSize = 256;
  if (initialSize > 0) {
    start = static_cast<uint8_t*>(malloc(size_t(initialSize)));
    if (!start)
      throw std::bad_alloc();
    allocated = size_t(initialSize);
  }
  ptr = start;
  setEnd();
}

MemOutStream::~MemOutStream()
{
  free(start);
}

void MemOutStream::setEnd()
{
  if (maxSize && maxSize < allocated)
    end = start + maxSize;
  else
    end = start + allocated;
}

void MemOutStream::writeBytes(const void* data, size_t len)
{
  if (len > size_t(end - ptr))
    overrun(len, 1);
  memcpy(ptr, data, len);
  ptr += len;
}

size_t MemOutStream::spaceAvailable()
{
  if (maxSize)
    return maxSize - length();
  return Unlimited;
}

void MemOutStream::setMaxSize(size_t m)
{
  maxSize = m;
  setEnd();
}

size_t MemOutStream::overrun(size_t itemSize, size_t nItems)
{
  size_t len = length();
  if (maxSize && maxSize < len + itemSize)
    throw OutStreamFull();
  size_t newSize = std::max(allocated * 2, len + itemSize * nItems);
  if (maxSize && newSize > maxSize)
    newSize = maxSize;
  uint8_t* block = static_cast<uint8_t*>(malloc(newSize));
  if (!block)
    throw std::bad_alloc();
  if (len)
    memcpy(block, start, len);
  free(start);
  start = block;
  allocated = newSize;
  ptr = start + len;
  setEnd();
  return itemsInWindow(itemSize, nItems);
}

uint8_t* MemOutStream::takeBuffer()
{
  uint8_t* block = start;
  start = ptr = end = nullptr;
  allocated = 0;
  return block;
}

void MemOutStream::terminate()
{
  if (ptr > start && ptr[-1] == 0)
    return;
  if (maxSize)
    setMaxSize(maxSize + 1);
  writeU8(0);
}

void MemOutStream::toString(plat::String& out)
{
  terminate();
  out.adopt(reinterpret_cast<char*>(takeBuffer()));
}

} // namespace rdr
