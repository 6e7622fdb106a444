// rdr::ParallelZlibOutStream: a zlib output filter whose deflating and
// writing run on worker threads, so that the writer of the uncompressed
// data (the caller's thread) only fills buffers.
//
// The input is cut into chunks of a fixed size. Each chunk is deflated on
// its own, primed with the 32 KiB of input before it as its dictionary, and
// ended with a sync flush; the pieces are written to the underlying stream
// in input order. The result is one zlib stream (the same two-byte header
// as rdr::ZlibOutStream at the same level, no final block, no checksum)
// that a standard inflater reads like a single deflate of the same input.
// Its bytes differ from a single deflate's at every chunk boundary (an
// empty stored block, new block headers), which costs a few bytes per
// chunk.
//
// While data is being compressed the underlying stream belongs to the
// workers: the caller may use it again only after flushCompressed() has
// returned, and must not have written to it in between. Memory is bounded:
// at most workers + 2 chunks exist, and when all are in use the caller's
// thread deflates a waiting chunk itself instead of idling.
//
// Worker threads block every asynchronous signal, so signals meant for the
// process reach the caller's thread. A failure on a worker (deflate, or the
// underlying stream throwing) stops the work; the exception is rethrown on
// the caller's thread by the next write that needs room or by the next
// flush. Destruction stops the workers after the chunk each is deflating,
// drops what was not written yet, and joins them.
#pragma once

#include <rdr/OutStream.h>

#include <exception>
#include <memory>
#include <vector>

namespace rdr {

class ParallelZlibOutStream : public OutStream {
public:
  enum { DictionarySize = 32768, DefaultChunkSize = 131072 };

  // Starts `workers` threads (at least one). level is a zlib compression
  // level (-1: zlib's default). Throws plat::Exception when a deflate state
  // cannot be set up.
  ParallelZlibOutStream(OutStream* underlying, int workers, int level = -1,
                        size_t chunkSize = DefaultChunkSize);
  ~ParallelZlibOutStream() override;
  ParallelZlibOutStream(const ParallelZlibOutStream&) = delete;
  ParallelZlibOutStream& operator=(const ParallelZlibOutStream&) = delete;

  // Replaces the underlying stream; only between flushes.
  void setUnderlying(OutStream* out);

  // Hands over everything written, ending it with a sync flush, and waits
  // until it has all been written to the underlying stream (which is not
  // flushed). Rethrows a worker's failure. A repeated flush with nothing
  // written in between emits nothing.
  void flushCompressed();

  // Uncompressed bytes written, including those not compressed yet.
  size_t length() const override { return offset + size_t(ptr - start()); }
  // flushCompressed(), then the underlying stream's flush.
  void flush() override;
  OutStream* bottomStream() override;
  // Unlimited: the underlying stream cannot be asked while workers write.
  size_t spaceAvailable() override { return Unlimited; }

protected:
  size_t overrun(size_t itemSize, size_t nItems) override;

private:
  struct Chunk;
  struct Shared;
  class Worker;

  uint8_t* start() const;
  void submit();
  void waitFor(bool allWritten);
  void rethrowFailure();

  std::unique_ptr<Shared> shared;
  std::vector<std::unique_ptr<Worker>> workers;
  Chunk* current;
  size_t chunkSize;
  size_t offset;
};

} // namespace rdr
