// rdr::FileInStream: a buffered input stream reading a stdio file.
//
// It is not rewindable: bytes already read are dropped at every refill. The
// end of the file throws EndOfStream "End of file"; a read error throws
// plat::StdlibException "reading from file failed". Reads block.
#pragma once

#include <plat/file.h>
#include <rdr/BufferedInStream.h>

namespace rdr {

class FileInStream : public BufferedInStream {
public:
  // Opens path as plat::FilePtr::open does (its exceptions pass through).
  explicit FileInStream(const char* path, int mode = plat::FilePtr::Read,
                        int flags = 0, int bufSize = -1);
  // Reads the open file f, closing it at the end when owns is set.
  explicit FileInStream(FILE* f, bool owns = true, int bufSize = -1);

  FILE* getFile() const { return file.get(); }

protected:
  size_t fillBuffer(uint8_t* dest, size_t maxLen) override;

private:
  plat::FilePtr file;
};

} // namespace rdr
