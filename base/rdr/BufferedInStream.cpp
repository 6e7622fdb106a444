#include <rdr/BufferedInStream.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace rdr {

BufferedInStream::BufferedInStream(int size)
    : offset(0), bufSize(size < 0 ? 16800 : size_t(size)),
      start(bufSize ? new uint8_t[bufSize] : nullptr)
{
  ptr = end = checkpointPtr = start;
}

BufferedInStream::BufferedInStream(BufferedInStream&& other) noexcept
    : InStream(other), plat::NonCopyable(), offset(other.offset),
      bufSize(other.bufSize), start(std::exchange(other.start, nullptr))
{
  other.ptr = other.end = other.checkpointPtr = nullptr;
  other.bufSize = 0;
}

BufferedInStream::~BufferedInStream()
{
  delete[] start;
}

int BufferedInStream::overrun(size_t itemSize)
{
  if (checkpointPtr > start) {
    size_t shift = size_t(checkpointPtr - start);
    memmove(start, checkpointPtr, size_t(end - checkpointPtr));
    offset += int(shift);
    ptr -= shift;
    end -= shift;
    checkpointPtr = start;
  }

  uint8_t* bufEnd = start + bufSize;
  size_t target = std::min(itemSize, size_t(bufEnd - ptr));
  while (nUnread() < target) {
    // end always points into our own buffer; the window is const only to
    // readers.
    uint8_t* fill = start + (end - start);
    size_t n = fillBuffer(fill, size_t(bufEnd - fill));
    if (n == 0)
      return 0;
    end += n;
  }
  return 1;
}

BufferedNonBlockableInStream::BufferedNonBlockableInStream(int size)
    : BufferedInStream(size), nonBlocking(false)
{
  rewindable = false;
}

void BufferedNonBlockableInStream::setNonBlocking(bool flag)
{
  nonBlocking = flag;
  setCheckpoint();
  rewindable = flag;
}

} // namespace rdr
