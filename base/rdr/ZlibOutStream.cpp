#include <rdr/ZlibOutStream.h>

#include <zlib.h>

#include <memory>

namespace rdr {

ZlibOutStream::ZlibOutStream(OutStream* os, int size, int level, bool raw)
    : underlying(os), zs(nullptr), bufSize(size ? size_t(size) : 16384),
      offset(0), lastFlushMode(Z_FULL_FLUSH), start(nullptr)
{
  std::unique_ptr<z_stream> z(new z_stream());
  z->zalloc = Z_NULL;
  z->zfree = Z_NULL;
  z->opaque = Z_NULL;
  if (deflateInit2_(z.get(), level, Z_DEFLATED, raw ? -15 : 15, 8,
                    Z_DEFAULT_STRATEGY, "1.3", int(sizeof(z_stream))) != Z_OK)
    throw plat::Exception("ZlibOutStream: deflateInit failed");
  start = new uint8_t[bufSize];
  zs = z.release();
  ptr = start;
  end = start + bufSize;
}

ZlibOutStream::~ZlibOutStream()
{
  delete[] start;
  deflateEnd(zs);
  delete zs;
}

void ZlibOutStream::flushCompressed(bool full)
{
  compress(full ? Z_FULL_FLUSH : Z_SYNC_FLUSH);
}

void ZlibOutStream::flush()
{
  compress(Z_SYNC_FLUSH);
  underlying->flush();
}

void ZlibOutStream::finishStream()
{
  compress(Z_FINISH);
  deflateReset(zs);
  // A stream finished with nothing written still needs its header and end.
  lastFlushMode = Z_NO_FLUSH;
}

void ZlibOutStream::resetStream(ResetMode mode)
{
  if (mode == DropBuffered) {
    offset += size_t(ptr - start);
    ptr = start;
  }
  deflateReset(zs);
  lastFlushMode = Z_FULL_FLUSH;
}

OutStream* ZlibOutStream::bottomStream()
{
  return underlying ? underlying->bottomStream() : this;
}

size_t ZlibOutStream::spaceAvailable()
{
  return underlying ? underlying->spaceAvailable() / 2 : 0;
}

bool ZlibOutStream::shutdownWrite()
{
  return underlying ? underlying->shutdownWrite() : false;
}

size_t ZlibOutStream::overrun(size_t itemSize, size_t nItems)
{
  if (itemSize > bufSize)
    throw plat::Exception("ZlibOutStream overrun: max itemSize exceeded");
  compress(Z_NO_FLUSH);
  return itemsInWindow(itemSize, nItems);
}

void ZlibOutStream::compress(int flushMode)
{
  if (!underlying)
    throw plat::Exception("ZlibOutStream: no underlying stream");
  zs->next_in = start;
  zs->avail_in = uInt(ptr - start);
  // Nothing new since a flush at least as strong: emit nothing.
  if (zs->avail_in == 0 && lastFlushMode >= flushMode)
    return;

  for (;;) {
    // deflate needs a few bytes of output room to make progress at all.
    underlying->check(6);
    uint8_t* out = underlying->getPtr();
    zs->next_out = out;
    zs->avail_out = uInt(underlying->getEnd() - out);
    int rc = deflate(zs, flushMode);
    if (rc != Z_OK && rc != Z_STREAM_END)
      throw plat::Exception("ZlibOutStream: deflate failed");
    underlying->setPtr(zs->next_out);
    if (zs->avail_in == 0 && zs->avail_out > 0)
      break;
  }
  offset += size_t(ptr - start);
  ptr = start;
  lastFlushMode = flushMode;
}

} // namespace rdr
