// rdr::BufferedOutStream: an output stream that collects bytes in a buffer
// it owns and hands them to a sink (a descriptor, a file) through the
// subclass's writeBuffer().
//
// The buffer may grow, doubling, from its initial size up to a maximum, so
// that a writer is not stalled by a slow sink: overrun() first gives the sink
// what it takes without waiting and grows the buffer rather than wait; only
// at the maximum does it wait for the sink. The window handed to writers
// reaches at most 16384 bytes beyond the pending data, so that a large
// buffer is drained in steps.
//
// Two flags govern waiting: the blocking flag (true by default; cleared by
// lazyFlush(true) on lazy streams) decides whether flush() waits, and
// doesThrowErrors() (the throw-errors flag or the blocking flag) decides
// whether sink failures are thrown or only logged by the subclass.
#pragma once

#include <plat/ConfigParameter.h>
#include <rdr/OutStream.h>

namespace rdr {

// The largest size a growing output buffer may reach. Read when a stream is
// constructed, so changes affect new streams only.
extern plat::IntParameter MaxOutBufferSize;

class BufferedOutStream : public OutStream {
public:
  // A buffer of bufSize bytes (< 0: 16384) that never grows. 0 gives a
  // stream without buffer, whose every write throws OutStreamFull.
  explicit BufferedOutStream(int bufSize);
  // A buffer of bufSize bytes (< 0: 16384) growing up to max(bufSize,
  // maxSize); maxSize < 0 takes the current MaxOutBufferSize.
  BufferedOutStream(int bufSize, int maxSize);
  ~BufferedOutStream() override;
  BufferedOutStream(const BufferedOutStream&) = delete;
  BufferedOutStream& operator=(const BufferedOutStream&) = delete;

  size_t length() const override { return offset + size_t(ptr - start); }
  // Hands pending bytes to the sink, waiting when the blocking flag is set.
  void flush() override;
  size_t pendingBytes() override { return size_t(ptr - sentPtr); }
  size_t spaceAvailable() override;
  void setThrowErrors(bool flag) override { throwErrors = flag; }

protected:
  // Hands up to len bytes to the sink and returns how many it took; 0 means
  // it would block, which only happens with wait false.
  virtual size_t writeBuffer(const uint8_t* data, size_t len, bool wait) = 0;

public:
  // Hands all pending bytes to the sink. Returns true when everything went,
  // false when the sink would block (the rest stays pending). Blocks only
  // with wait true.
  bool flushBuffer(bool wait);
  bool doesThrowErrors() const { return throwErrors || blocking; }
  bool isBlocking() const { return blocking; }
  // Current allocation and the size it may grow to.
  size_t bufferSize() const { return bufSize; }
  size_t maxBufferSize() const { return maxBufSize; }

protected:
  size_t overrun(size_t itemSize, size_t nItems) override;

  // The largest window given beyond the pending bytes.
  static constexpr size_t WriterWindow = 16384;

  size_t bufSize;
  size_t maxBufSize;
  size_t offset;    // stream position of start
  int writeTimeout; // milliseconds a blocking write waits for the sink
  uint8_t* start;
  uint8_t* sentPtr; // first byte of [start, ptr) not yet handed over
  bool blocking;
  bool throwErrors;

private:
  void init(int bufSize, size_t maxSize);
  // Moves the pending bytes to start, dropping what was sent.
  void compact();
  void grow();
  void resetWindow();
};

// A buffered stream whose sink never makes it wait: it reports no limit.
class BufferedNBOutStream : public BufferedOutStream {
public:
  explicit BufferedNBOutStream(int bufSize) : BufferedOutStream(bufSize) {}
  size_t spaceAvailable() override { return Unlimited; }
};

// A buffered stream whose owner may switch off waiting: lazyFlush(true)
// makes flush() hand over only what the sink takes without blocking.
class BufferedLazyOutStream : public BufferedOutStream {
public:
  BufferedLazyOutStream(int bufSize, int maxSize)
      : BufferedOutStream(bufSize, maxSize)
  {
  }

  // Sets the blocking flag to !flag, then hands pending bytes to the sink
  // (waiting when now blocking) until they are gone or it would block. The
  // buffer is not moved back to its start.
  virtual void lazyFlush(bool flag);
};

} // namespace rdr
