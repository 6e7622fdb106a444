// rdr::FramedInStream: an input filter that reads messages sent by a
// FramedOutStream, one at a time, from an underlying stream.
//
// The window is the underlying stream's window clipped to the rest of the
// current frame, so payload is read in place; an item that spans two frames
// is assembled by the copying reads of InStream. Reading past the end of a
// message throws EndOfMsg.
//
// A message can be parsed from a non-blocking underlying stream: startMsg()
// takes a checkpoint, and a read that would block returns this stream and
// the underlying one to the last checkpoint and throws BlockException (see
// InStream::check); the reader retries when more data has arrived.
// setCheckpoint() passes through to the underlying stream, which then may
// drop everything before it. The underlying stream is not owned.
#pragma once

#include <rdr/InStream.h>

namespace rdr {

class OutStream;

class FramedInStream : public InStream {
public:
  explicit FramedInStream(InStream* underlying);

  void setUnderlying(InStream* in);
  InStream* getUnderlying() const { return underlying; }

  // Opens the next message by reading its first header. Returns true when a
  // message is open (at once when one already is). With wait false, returns
  // false when no header can be had without blocking; with wait true that
  // case throws BlockException.
  bool startMsg(bool wait = true);
  // Leaves the message, taking a checkpoint after it. Throws FrameException
  // when unread payload is left.
  void endMsg();
  bool inMsg() const { return inMsg_; }
  // Consumes the rest of the message, taking a checkpoint after each piece
  // so that progress survives a BlockException.
  void skipMsg();
  // Writes the rest of the message into out, checkpointing as skipMsg().
  void copyMsgTo(OutStream* out);

  // Payload bytes of the message consumed so far.
  int pos() const override;
  void setCheckpoint() override;
  void rewind() override;
  // Whether the whole message has been read (the stream must be in one).
  // Reads headers of empty frames to find out; when that would block,
  // rewinds to the checkpoint and throws BlockException.
  bool atEnd() override;

protected:
  int overrun(size_t itemSize) override;

  // Reads one frame header from the underlying stream. Returns false when it
  // is not there and wait is false; with wait true that case throws
  // BlockException.
  virtual bool readHeader(int* frameSize, bool* last, bool wait) = 0;

  InStream* underlying;

private:
  // Charges the bytes consumed from the window to the frame and message and
  // moves the underlying ptr to ptr.
  void account();
  void clip();
  bool nextFrame(bool wait);

  bool inMsg_;
  bool last, savedLast;
  int frameSize, savedFrameSize; // payload of the frame not yet consumed
  int msgPos, savedMsgPos;
};

// Reads the frame format of OutStreamV4.
class InStreamV4 : public FramedInStream {
public:
  explicit InStreamV4(InStream* underlying = nullptr)
      : FramedInStream(underlying)
  {
  }

protected:
  bool readHeader(int* frameSize, bool* last, bool wait) override;
};

} // namespace rdr
