#include <rdr/MemInStream.h>

namespace rdr {

MemInStream::MemInStream(const void* data, size_t length)
    : start(static_cast<const uint8_t*>(data))
{
  ptr = checkpointPtr = start;
  end = start + length;
}

int MemInStream::overrun(size_t)
{
  throw EndOfStream("End of in-memory input stream");
}

} // namespace rdr
