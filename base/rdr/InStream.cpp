#include <rdr/InStream.h>

#include <plat/DString.h>

#include <algorithm>
#include <cstring>

namespace rdr {

InStream::InStream()
    : ptr(nullptr), end(nullptr), checkpointPtr(nullptr), checkpointPos(0),
      rewindable(true)
{
}

InStream::~InStream() {}

void InStream::setCheckpoint()
{
  checkpointPos = pos();
  checkpointPtr = ptr;
}

void InStream::rewind()
{
  if (!rewindable)
    throw plat::Exception("Attempt to rewind a non-rewindable stream");
  ptr = checkpointPtr;
}

void InStream::reposition(int position)
{
  int d = position - checkpointPos;
  if (d < 0)
    throw plat::Exception("Can't reposition before checkpoint");
  rewind();
  skip(d);
}

bool InStream::atEnd()
{
  return false;
}

int InStream::check(bool wait, size_t itemSize)
{
  // A stream that cannot go back may drop everything already read.
  if (!rewindable)
    setCheckpoint();
  int n;
  try {
    n = overrun(itemSize);
  } catch (BlockException&) {
    n = 0;
  }
  if (n) {
    if (ptr == end)
      throw plat::Exception("InStream overrun: buffer size exceeded");
    return n;
  }
  if (rewindable)
    rewind();
  if (wait)
    throw BlockException();
  return 0;
}

const uint8_t* InStream::getItems(size_t itemSize, size_t* nItems, bool wait)
{
  PLAT_ASSERT(*nItems > 0);
  if (itemSize > nUnread()) {
    if (!check(wait, itemSize) || itemSize > nUnread())
      return nullptr;
  }
  if (*nItems * itemSize > nUnread())
    *nItems = nUnread() / itemSize;
  const uint8_t* p = ptr;
  ptr += *nItems * itemSize;
  return p;
}

const uint8_t* InStream::readBytesPtrSlow(uint8_t* temp, size_t n)
{
  if (nUnread() < n)
    check(true, n);
  if (nUnread() >= n) {
    const uint8_t* p = ptr;
    ptr += n;
    return p;
  }
  readBytes(temp, n);
  return temp;
}

void InStream::readBytes(void* data, size_t len)
{
  uint8_t* out = static_cast<uint8_t*>(data);
  if (nUnread() < len)
    check(true, len);
  while (len > 0) {
    if (ptr == end)
      check(true, 1);
    size_t n = std::min(len, nUnread());
    memcpy(out, ptr, n);
    ptr += n;
    out += n;
    len -= n;
  }
}

void InStream::skip(int64_t n)
{
  while (n > 0) {
    if (ptr == end)
      check(true, 1);
    size_t k = nUnread();
    if (uint64_t(n) < k)
      k = size_t(n);
    ptr += k;
    n -= int64_t(k);
  }
}

bool InStream::readLine(plat::DString& out, int maxLen, bool* sawNul,
                        bool validate)
{
  if (sawNul)
    *sawNul = false;
  out.reserve(64);
  out.clear();
  const int limit = maxLen ? maxLen : 0x40000;
  int n = 0;
  try {
    for (;;) {
      if (n > limit)
        throw StringTooLongException();
      if (ptr == end)
        check(true, 1);
      uint8_t c = *ptr++;
      if (c == 13)
        continue;
      if (c == 10)
        break;
      if (c == 0 && sawNul)
        *sawNul = true;
      if (n + 1 >= out.capacity())
        out.reserve(n + 2);
      out.buf()[n++] = char(c);
    }
  } catch (EndOfStream&) {
    if (n == 0)
      throw;
  } catch (EndOfMsg&) {
    if (n == 0)
      throw;
  }
  out.buf()[n] = 0;
  return validate ? out.makeValid() : true;
}

bool InStream::readStringInto(size_t len, plat::DString& out, bool validate)
{
  out.clear();
  out.reserve(int(len + 1));
  readBytes(out.buf(), len);
  out.buf()[len] = 0;
  return validate ? out.makeValid() : true;
}

bool InStream::readString8(plat::DString& out, bool validate)
{
  return readStringInto(readU8(), out, validate);
}

bool InStream::readString32(plat::DString& out, uint32_t maxLen, bool validate)
{
  uint32_t len = readU32();
  if (len > maxLen)
    throw StringTooLongException();
  return readStringInto(len, out, validate);
}

} // namespace rdr
