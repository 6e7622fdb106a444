// The exceptions raised by byte streams.
//
// All are plain plat::Exception leaves with a fixed type name, so that a
// catcher that only sees plat::Exception can still tell them apart by
// typeName(). BlockException is the one control-flow exception: it unwinds a
// parser reading a non-blocking source back to its event loop (see
// InStream::check).
#pragma once

#include <plat/Exception.h>

namespace rdr {

// The input ended: "End of in-memory input stream", "End of IO stream",
// "End of file".
class EndOfStream : public plat::Exception {
public:
  explicit EndOfStream(const char* text);
};

// "Reading from InStream would block"; its type name is left empty.
class BlockException : public plat::Exception {
public:
  BlockException();
};

// "OutStream full": a bounded output stream cannot take the write.
class OutStreamFull : public plat::Exception {
public:
  OutStreamFull();
};

// "String exceeds maximum length".
class StringTooLongException : public plat::Exception {
public:
  StringTooLongException();
};

// "End of message": a framed reader read past the end of its message.
class EndOfMsg : public plat::Exception {
public:
  EndOfMsg();
};

// Misuse of a framed stream; the text names the operation.
class FrameException : public plat::Exception {
public:
  explicit FrameException(const char* text);
};

} // namespace rdr
