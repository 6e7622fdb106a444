#include <rdr/FileInStream.h>

namespace rdr {

FileInStream::FileInStream(const char* path, int mode, int flags, int bufSize)
    : BufferedInStream(bufSize), file(path, mode, flags)
{
  rewindable = false;
}

FileInStream::FileInStream(FILE* f, bool owns, int bufSize)
    : BufferedInStream(bufSize), file(f, owns)
{
  rewindable = false;
}

size_t FileInStream::fillBuffer(uint8_t* dest, size_t maxLen)
{
  size_t n = fread(dest, 1, maxLen, file.get());
  if (n > 0)
    return n;
  if (feof(file.get()))
    throw EndOfStream("End of file");
  throw plat::StdlibException("reading from file failed");
}

} // namespace rdr
