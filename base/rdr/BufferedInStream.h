// rdr::BufferedInStream: an input stream that refills a buffer it owns from
// a source (a descriptor, a file) through the subclass's fillBuffer().
//
// A refill keeps every byte from the checkpoint on, moving them to the
// start of the buffer first, and then reads as much as fits behind them. An
// item can therefore be served in place only when it fits in the buffer
// together with the checkpointed bytes before it.
#pragma once

#include <plat/NonCopyable.h>
#include <rdr/InStream.h>

namespace rdr {

class BufferedInStream : public InStream, private plat::NonCopyable {
public:
  // bufSize < 0 means 16800 bytes; 0 means no buffer at all.
  explicit BufferedInStream(int bufSize = -1);
  ~BufferedInStream() override;

  int pos() const override { return offset + int(ptr - start); }

protected:
  BufferedInStream(BufferedInStream&& other) noexcept;

  int overrun(size_t itemSize) override;

  // Reads at most maxLen bytes from the source into dest and returns the
  // count, or 0 when none can be had without blocking. The end of the data
  // and errors are exceptions.
  virtual size_t fillBuffer(uint8_t* dest, size_t maxLen) = 0;

  int offset; // stream position of start
  size_t bufSize;
  uint8_t* start;
};

// A buffered stream whose source can be switched between blocking and
// non-blocking reads. In blocking mode (the initial one) the stream is not
// rewindable and drops what was read at every refill; in non-blocking mode
// it is rewindable, keeps the data from the checkpoint on, and a refill
// that would block returns the stream to its checkpoint (see
// InStream::check).
class BufferedNonBlockableInStream : public BufferedInStream {
public:
  explicit BufferedNonBlockableInStream(int bufSize = -1);

  // Stores the mode, takes a checkpoint at ptr and makes the stream
  // rewindable exactly in non-blocking mode.
  virtual void setNonBlocking(bool flag);
  bool isNonBlocking() const { return nonBlocking; }

protected:
  BufferedNonBlockableInStream(BufferedNonBlockableInStream&& other) noexcept =
      default;

  bool nonBlocking;
};

} // namespace rdr
