// rdr::FramedOutStream: an output filter that sends messages over an
// underlying stream as sequences of length-prefixed frames, so that a reader
// knows where each message ends while the writer never needs to know a
// message's length in advance. The header format belongs to a subclass
// (OutStreamV4 below).
//
// While a frame is open, its payload is written straight into the underlying
// stream's window behind header bytes reserved at the underlying ptr; closing
// the frame fills in the header and advances the underlying stream past the
// frame. Nothing is copied. The underlying stream is not owned, and must not
// be written to directly while a message is open.
//
// Misuse (writing outside a message, nesting messages) throws
// FrameException; what the underlying stream throws is passed on.
#pragma once

#include <rdr/OutStream.h>

namespace rdr {

class FramedOutStream : public OutStream {
public:
  FramedOutStream(OutStream* underlying, int maxFrameSize, int hdrSize);

  // Sets the underlying stream and leaves the stream outside any message.
  void setUnderlying(OutStream* out);
  OutStream* getUnderlying() const { return underlying; }

  // Opens a message. Throws FrameException when one is already open; a
  // missing underlying stream is a fatal assertion.
  void startMsg();
  // Closes the message with a last frame, then flushes the underlying
  // stream when flush is set. Throws FrameException outside a message.
  void endMsg(bool flush = false);
  bool inMsg() const { return inMsg_; }

  // Payload bytes of the current (or, outside one, the last) message.
  size_t length() const override;
  // Inside a message, sends what was written so far as a frame and flushes
  // the underlying stream; the message continues in a new frame.
  void flush() override;
  OutStream* bottomStream() override;
  size_t spaceAvailable() override;
  bool shutdownWrite() override;

protected:
  // Closes the current frame and opens a new one.
  size_t overrun(size_t itemSize, size_t nItems) override;

  // Writes the header of a frame of `length` payload bytes at ptr, advancing
  // ptr by exactly the header size.
  virtual void writeHeader(size_t length, bool last, bool first) = 0;

private:
  void startFrame(size_t minSize);
  void endFrame(bool last);

  size_t maxFrameSize;
  size_t hdrSize;
  bool inMsg_;
  bool inFrame;
  bool firstFrame;
  size_t msgBytes;
  OutStream* underlying;
};

// The frame format of the system: a big-endian 16-bit header whose bit 15
// marks the last frame of a message and whose low 15 bits give the payload
// length, at most 32766 bytes per frame from this writer.
class OutStreamV4 : public FramedOutStream {
public:
  explicit OutStreamV4(OutStream* underlying = nullptr)
      : FramedOutStream(underlying, MaxFrameSize, 2)
  {
  }

  static constexpr int MaxFrameSize = 32766;

protected:
  void writeHeader(size_t length, bool last, bool first) override;
};

} // namespace rdr
