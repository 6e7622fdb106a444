#include <rdr/InStream.h>

#include <algorithm>
#include <cstring>

namespace rdr {

InStream::InStream()
    : ptr(nullptr), end(nullptr), checkpointPtr(nullptr), checkpointPos(0),
      rewindable(true) {}

InStream::~InStream() {}

void InStream::setCheckpoint() {
  checkpointPos = pos();
  checkpointPtr = ptr;
}

void InStream::rewind() {
  if (!rewindable)
    throw plat::Exception("Attempt to rewind a non-rewindable stream");
  ptr = checkpointPtr;
}

void InStream::reposition(int position) {
  int d = position - checkpointPos;
  if (d < 0)
    throw plat::Exception("Can't reposition before checkpoint");
  rewind();
  skip(d);
}

bool InStream::atEnd() { return false; }

int InStream::check(bool wait, size_t itemSize) {
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

const uint8_t* InStream::getItems(size_t itemSize, size_t* nItems,
                                  bool wait) {
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

const uint8_t* InStream::readBytesPtrSlow(uint8_t* temp, size_t n) {
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

void InStream::readBytes(void* data, size_t len) {
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

void InStream::skip(int64_t n) {
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

} // namespace rdr
