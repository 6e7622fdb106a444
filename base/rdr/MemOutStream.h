// rdr::MemOutStream: an output stream into a heap block it owns.
//
// The block grows geometrically (at least doubling) as data is written. A
// maximum size, when set, bounds the stream: a write that would pass it
// throws OutStreamFull and leaves everything written before intact. The block
// is allocated with malloc, so that takeBuffer() and toString() can hand it
// over to owners that release it with free.
#pragma once

#include <rdr/OutStream.h>

namespace plat {
class String;
}

namespace rdr {

class MemOutStream : public OutStream {
public:
  // initialSize < 0 means 256 bytes; 0 allocates nothing until the first
  // write. maxSize 0 means unbounded.
  explicit MemOutStream(int initialSize = -1, size_t maxSize = 0);
  ~MemOutStream() override;
  MemOutStream(const MemOutStream&) = delete;
  MemOutStream& operator=(const MemOutStream&) = delete;

  void writeBytes(const void* data, size_t len) override;
  size_t length() const override { return size_t(ptr - start); }
  size_t spaceAvailable() override;

  // The bytes written so far (null before the first allocation).
  const uint8_t* data() const { return start; }
  // Forgets what was written, keeping the block.
  void clear() { ptr = start; }
  // Sets the maximum size (0: unbounded) and recomputes the window.
  void setMaxSize(size_t m);
  // Hands the block (malloc'ed; the caller frees it) to the caller and
  // leaves the stream empty with no block. Null when nothing was allocated.
  uint8_t* takeBuffer();
  // Appends a zero byte, counted in length(), unless the last byte written
  // already is one. A set maximum size is raised by one for it so that the
  // terminator always fits.
  void terminate();
  // Terminates, then hands the block to out and leaves the stream empty
  // with no block.
  void toString(plat::String& out);

protected:
  size_t overrun(size_t itemSize, size_t nItems) override;

private:
  void setEnd();

  uint8_t* start;
  size_t allocated;
  size_t maxSize;
};

} // namespace rdr
