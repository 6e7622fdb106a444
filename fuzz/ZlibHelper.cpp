#include "ZlibHelper.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace jexfuzz {

struct Deflater::State {
  z_stream zs;
};

Deflater::Deflater() : s_(new State)
{
  memset(&s_->zs, 0, sizeof(s_->zs));
  if (deflateInit(&s_->zs, 1) != Z_OK)
    abort();
}

Deflater::~Deflater()
{
  deflateEnd(&s_->zs);
  delete s_;
}

void Deflater::compress(const uint8_t* data, size_t len,
                        std::vector<uint8_t>& out)
{
  z_stream& zs = s_->zs;
  zs.next_in = const_cast<Bytef*>(data);
  zs.avail_in = uInt(len);
  uint8_t buf[4096];
  do {
    zs.next_out = buf;
    zs.avail_out = sizeof(buf);
    deflate(&zs, Z_SYNC_FLUSH);
    out.insert(out.end(), buf, buf + (sizeof(buf) - zs.avail_out));
  } while (zs.avail_out == 0 || zs.avail_in > 0);
}

} // namespace jexfuzz
