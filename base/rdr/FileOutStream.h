// rdr::FileOutStream: a buffered output stream writing a stdio file.
//
// The stream's own 16384-byte buffer is the only buffering: the file is
// switched to unbuffered stdio, so that a failed write (a full disk) shows
// as plat::StdlibException "writing to file failed" at the flush that made
// it. Writes block.
#pragma once

#include <plat/file.h>
#include <rdr/BufferedOutStream.h>

namespace rdr {

class FileOutStream : public BufferedNBOutStream {
public:
  // Opens path as plat::FilePtr::open does (its exceptions pass through).
  explicit FileOutStream(const char* path, int mode = plat::FilePtr::Write,
                         int flags = 0);
  // Writes the open file f, closing it at the end when owns is set.
  explicit FileOutStream(FILE* f, bool owns = true);
  // Flushes (failures are swallowed and the bytes lost), then closes the
  // file when owned.
  ~FileOutStream() override;

  FILE* getFile() const { return file.get(); }

protected:
  size_t writeBuffer(const uint8_t* data, size_t len, bool wait) override;

private:
  plat::FilePtr file;
};

} // namespace rdr
