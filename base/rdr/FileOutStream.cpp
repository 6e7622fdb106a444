#include <rdr/FileOutStream.h>

namespace rdr {

FileOutStream::FileOutStream(const char* path, int mode, int flags)
    : BufferedNBOutStream(16384), file(path, mode, flags)
{
  if (file)
    setvbuf(file.get(), nullptr, _IONBF, 0);
}

FileOutStream::FileOutStream(FILE* f, bool owns)
    : BufferedNBOutStream(16384), file(f, owns)
{
  if (file)
    setvbuf(file.get(), nullptr, _IONBF, 0);
}

FileOutStream::~FileOutStream()
{
  if (!file)
    return;
  try {
    flushBuffer(blocking);
  } catch (plat::Exception&) {
  }
}

size_t FileOutStream::writeBuffer(const uint8_t* data, size_t len, bool)
{
  if (fwrite(data, len, 1, file.get()) != 1)
    throw plat::StdlibException("writing to file failed");
  return len;
}

} // namespace rdr
