#include <rdr/Exception.h>

namespace rdr {

EndOfStream::EndOfStream(const char* text)
{
  append(text);
  setTypeName("EndOfStream");
}

BlockException::BlockException()
{
  append("Reading from InStream would block");
}

OutStreamFull::OutStreamFull()
{
  append("OutStream full");
  setTypeName("OutStreamFull");
}

StringTooLongException::StringTooLongException()
{
  append("String exceeds maximum length");
  setTypeName("StringTooLongException");
}

EndOfMsg::EndOfMsg()
{
  append("End of message");
  setTypeName("EndOfMsg");
}

FrameException::FrameException(const char* text)
{
  append(text);
  setTypeName("FrameException");
}

} // namespace rdr
