// A scripted source for driving the refill paths of the buffered input
// streams, shared by the rdr tests and the framed input fuzz target.
#pragma once

#include <rdr/BufferedInStream.h>
#include <rdr/Exception.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace rdrtest {

// Hands out its data at most `chunk` bytes per fillBuffer(). available()
// limits how much of the data exists so far: past it a refill would block
// (returns 0), or at the very end throws EndOfStream.
class ChunkInStream : public rdr::BufferedNonBlockableInStream {
public:
  ChunkInStream(std::vector<uint8_t> data, size_t chunk, int bufSize = -1)
      : BufferedNonBlockableInStream(bufSize), data_(std::move(data)),
        chunk_(chunk), avail_(data_.size())
  {
  }

  void setAvailable(size_t n) { avail_ = std::min(n, data_.size()); }
  size_t available() const { return avail_; }
  bool allArrived() const { return avail_ == data_.size(); }

protected:
  size_t fillBuffer(uint8_t* dest, size_t maxLen) override
  {
    if (next_ == data_.size())
      throw rdr::EndOfStream("End of IO stream");
    size_t n = std::min({maxLen, chunk_, avail_ - next_});
    memcpy(dest, data_.data() + next_, n);
    next_ += n;
    return n;
  }

private:
  std::vector<uint8_t> data_;
  size_t chunk_;
  size_t avail_;
  size_t next_ = 0;
};

} // namespace rdrtest
