// rdr::ZlibOutStream: an output filter that deflates everything written
// into it and writes the compressed bytes into an underlying stream.
//
// Input is collected in the stream's own buffer and compressed in
// whole-buffer runs when the buffer is full or a flush is asked for; the
// compressed output is produced directly in the underlying stream's window.
// The underlying stream is not owned and may be replaced between uses (for
// example per output file) without disturbing the deflate state.
//
// Failures are plat::Exception: a missing underlying stream is reported only
// when the buffer first has to be compressed. After "ZlibOutStream: deflate
// failed" the stream is unusable and should be discarded.
#pragma once

#include <rdr/OutStream.h>

struct z_stream_s;

namespace rdr {

class ZlibOutStream : public OutStream {
public:
  // bufSize 0 means 16384. level is a zlib compression level (-1: zlib's
  // default). raw produces a bare deflate stream without the zlib header
  // and checksum. Throws plat::Exception when zlib cannot be initialised.
  explicit ZlibOutStream(OutStream* underlying = nullptr, int bufSize = 0,
                         int level = -1, bool raw = false);
  ~ZlibOutStream() override;
  ZlibOutStream(const ZlibOutStream&) = delete;
  ZlibOutStream& operator=(const ZlibOutStream&) = delete;

  // Replaces the underlying stream; nothing is flushed.
  void setUnderlying(OutStream* out) { underlying = out; }
  OutStream* getUnderlying() const { return underlying; }

  // Compresses everything buffered with a sync flush (a full flush when
  // full is set) into the underlying stream, without flushing that stream.
  // A repeated flush with nothing written in between emits nothing.
  void flushCompressed(bool full = false);

  // Compresses everything buffered and ends the deflate stream (final block
  // and, unless raw, checksum) into the underlying stream, without flushing
  // that stream; the next byte written starts a new, independent stream.
  // For containers that hold one complete stream per object.
  void finishStream();

  enum ResetMode {
    DropBuffered, // count the uncompressed bytes as written, then drop them
    KeepBuffered, // leave the buffer alone
  };
  // Starts a new deflate stream (deflateReset); the next flush emits
  // output even if nothing is written before it.
  void resetStream(ResetMode mode = DropBuffered);

  // Uncompressed bytes written, including those still buffered.
  size_t length() const override { return offset + size_t(ptr - start); }
  // A sync flush, then the underlying stream's flush.
  void flush() override;
  OutStream* bottomStream() override;
  // Half of what the underlying stream can take: compressed data may, at
  // worst, be larger than its input.
  size_t spaceAvailable() override;
  bool shutdownWrite() override;

protected:
  size_t overrun(size_t itemSize, size_t nItems) override;

private:
  void compress(int flushMode);

  OutStream* underlying;
  z_stream_s* zs;
  size_t bufSize;
  size_t offset;
  int lastFlushMode;
  uint8_t* start;
};

} // namespace rdr
