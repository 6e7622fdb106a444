// An EncoderCallback that writes each rectangle as one framed message
// (rdr::OutStreamV4: frames of at most 32766 payload bytes behind a 2-byte
// header) on an output stream.
//
// Message payload of one rectangle:
//
//   offset 0  u16  0x8000 | (encoding & 0x7fff)   ZRLE: 0x8010
//          2  u16  x of the top-left corner
//          4  u16  y
//          6  u16  width
//          8  u16  height
//         10  ...  the encoder's data
//
// The output stream is not owned and must outlive the callback. Writes
// block and throw as the output stream does.
#pragma once

#include <rdr/FramedOutStream.h>
#include <rfbenc/EncoderCallback.h>

namespace rfb {

class EncoderCallbackV4 : public EncoderCallback {
public:
  enum { RectHeaderSize = 10, RectHeaderFlag = 0x8000 };

  explicit EncoderCallbackV4(rdr::OutStream* out, size_t preferredMax = 16384,
                             bool wipe = false);

  // Starts a message and writes the rectangle header; returns the framed
  // stream for the rectangle's data. `flag` is ignored. Throws
  // rdr::FrameException when a rectangle is already open.
  rdr::OutStream* startRect(const Rect& r, int encoding, bool flag) override;
  // Ends the message; with flush, flushes the output stream too.
  void endRect(bool flush) override;
  // The framed stream's count of bytes written.
  size_t length() override;

private:
  rdr::OutStreamV4 framed_;
};

} // namespace rfb
