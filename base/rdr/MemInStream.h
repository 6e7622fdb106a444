// rdr::MemInStream: an input stream over memory owned by the caller.
//
// The whole input is the window from the start; there is nothing to refill,
// so reading past the end throws EndOfStream "End of in-memory input
// stream". The memory must outlive the stream and is never freed by it.
#pragma once

#include <rdr/InStream.h>

namespace rdr {

class MemInStream : public InStream {
public:
  MemInStream(const void* data, size_t length);

  int pos() const override { return int(ptr - start); }
  bool atEnd() override { return ptr == end; }

protected:
  int overrun(size_t itemSize) override;

private:
  const uint8_t* start;
};

} // namespace rdr
