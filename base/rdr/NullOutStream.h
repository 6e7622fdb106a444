// rdr::NullOutStream: a sink that only counts what is written into it.
// Used to measure the size output would have without producing it.
#pragma once

#include <rdr/BufferedOutStream.h>

namespace rdr {

class NullOutStream : public BufferedNBOutStream {
public:
  NullOutStream() : BufferedNBOutStream(1024) {}

  // Counts len bytes without copying them.
  void writeBytes(const void*, size_t len) override { offset += len; }

protected:
  size_t writeBuffer(const uint8_t*, size_t len, bool) override { return len; }
};

} // namespace rdr
