#include <rfbdec/ZRLEDecoder.h>

#include <plat/Exception.h>
#include <rfb/WritablePixelBuffer.h>

#include <zlib.h>

#include <cstring>

namespace rfb {

namespace {

const int TileSize = 64;

enum : unsigned {
  SubRaw = 0,
  SubSolid = 1,
  SubPackedMin = 2,
  SubPackedMax = 16,
  SubPackedReuse = 127,
  SubPlainRle = 128,
  SubRleReuse = 129,
  SubPaletteRleMin = 130,
};

int indexBits(int paletteSize)
{
  return paletteSize <= 2 ? 1 : paletteSize <= 4 ? 2 : 4;
}

} // namespace

// Where a CPIXEL's bytes go inside a pixel in memory: cpSize bytes at
// offset, the other bytes of the pixel zero.
struct ZRLEDecoder::CPixelLayout {
  explicit CPixelLayout(const PixelFormat& pf)
  {
    pixelSize = pf.bpp / 8;
    cpSize = pixelSize;
    offset = 0;
    if (pf.bpp == 32 && pf.trueColour && pf.depth <= 24) {
      uint32_t mask = (uint32_t(pf.redMax) << pf.redShift) |
                      (uint32_t(pf.greenMax) << pf.greenShift) |
                      (uint32_t(pf.blueMax) << pf.blueShift);
      if (pf.alphaMax)
        mask |= uint32_t(pf.alphaMax) << pf.alphaShift;
      if (mask < 0x1000000) {
        // Least significant three bytes.
        cpSize = 3;
        offset = pf.bigEndian ? 1 : 0;
      } else if ((mask & 0xff) == 0) {
        // Most significant three bytes.
        cpSize = 3;
        offset = pf.bigEndian ? 0 : 1;
      }
    }
  }
  int pixelSize;
  int cpSize;
  int offset;
};

// The zlib inflater of one stream, handing out its output byte by byte.
class ZRLEDecoder::Inflater {
public:
  Inflater()
  {
    memset(&zs_, 0, sizeof(zs_));
    if (inflateInit(&zs_) != Z_OK)
      throw plat::Exception("ZRLE: inflateInit failed");
  }
  ~Inflater() { inflateEnd(&zs_); }

  void reset()
  {
    inflateReset(&zs_);
    rd_ = wr_ = 0;
  }

  // The input is data, then, when source is given, the pieces it returns.
  void setInput(const uint8_t* data, size_t len,
                const ZRLEDecoder::Source* source = nullptr)
  {
    zs_.next_in = const_cast<Bytef*>(data);
    zs_.avail_in = uInt(len);
    source_ = source;
    rd_ = wr_ = 0;
  }

  uint8_t readU8()
  {
    if (rd_ == wr_)
      fill();
    return buf_[rd_++];
  }

  void readBytes(uint8_t* dst, size_t n)
  {
    while (n) {
      if (rd_ == wr_)
        fill();
      size_t k = wr_ - rd_ < n ? wr_ - rd_ : n;
      memcpy(dst, buf_ + rd_, k);
      rd_ += k;
      dst += k;
      n -= k;
    }
  }

  // The rectangle's tiles are all read: no decompressed byte may be left,
  // and the rest of the input (normally the empty block of a sync flush)
  // must inflate to nothing.
  void finish()
  {
    if (rd_ != wr_)
      throw plat::Exception("ZRLE: data left after the last tile");
    while (zs_.avail_in || refill()) {
      uInt before = zs_.avail_in;
      run();
      if (wr_ != 0)
        throw plat::Exception("ZRLE: data left after the last tile");
      if (zs_.avail_in == before)
        break;
    }
    source_ = nullptr;
  }

private:
  bool refill()
  {
    const uint8_t* data = nullptr;
    size_t len = source_ ? (*source_)(data) : 0;
    zs_.next_in = const_cast<Bytef*>(data);
    zs_.avail_in = uInt(len);
    return len != 0;
  }

  void fill()
  {
    rd_ = wr_ = 0;
    while (wr_ == 0) {
      if (zs_.avail_in == 0 && !refill())
        throw plat::Exception("ZRLE: compressed data ends inside a rectangle");
      uInt before = zs_.avail_in;
      run();
      if (wr_ == 0 && zs_.avail_in == before)
        throw plat::Exception("ZRLE: compressed data ends inside a rectangle");
    }
  }

  void run()
  {
    zs_.next_out = buf_;
    zs_.avail_out = sizeof(buf_);
    int rc = inflate(&zs_, Z_SYNC_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
      throw plat::ExceptionFmt("ZRLE: bad compressed data (%s)",
                               zs_.msg ? zs_.msg : "zlib error");
    wr_ = sizeof(buf_) - zs_.avail_out;
  }

  z_stream zs_;
  const ZRLEDecoder::Source* source_ = nullptr;
  uint8_t buf_[16384];
  size_t rd_ = 0, wr_ = 0;
};

ZRLEDecoder::ZRLEDecoder() : in_(new Inflater) {}

ZRLEDecoder::~ZRLEDecoder()
{
  delete in_;
}

void ZRLEDecoder::reset()
{
  in_->reset();
  paletteSize_ = 0;
}

void ZRLEDecoder::decodeRect(const Rect& r, const uint8_t* data, size_t len,
                             WritablePixelBuffer& pb)
{
  int stride = 0;
  uint8_t* dst = pb.getPixelsRW(r, &stride);
  decodeRect(r, data, len, pb.getPF(), dst, stride);
}

void ZRLEDecoder::decodeRect(const Rect& r, const uint8_t* data, size_t len,
                             const PixelFormat& pf, uint8_t* dst, int stride)
{
  if (pf.bpp != 8 && pf.bpp != 16 && pf.bpp != 32)
    throw plat::ExceptionFmt("ZRLE: cannot decode into %d bpp", pf.bpp);
  CPixelLayout cl(pf);
  subencs_.clear();
  in_->setInput(data, len);
  int strideBytes = stride * cl.pixelSize;
  for (int y = r.tl.y; y < r.br.y; y += TileSize) {
    int h = r.br.y - y < TileSize ? r.br.y - y : TileSize;
    // Pointer-sized: rows times stride overflows int from about 2 GiB of
    // frame on (a 65535-pixel-wide page from row 8192 on).
    decodeTileRow(cl, r, h, dst + ptrdiff_t(y - r.tl.y) * strideBytes,
                  strideBytes);
  }
  in_->finish();
}

void ZRLEDecoder::decodeRectBands(const Rect& r, const Source& more,
                                  const PixelFormat& pf, const BandSink& band)
{
  if (pf.bpp != 8 && pf.bpp != 16 && pf.bpp != 32)
    throw plat::ExceptionFmt("ZRLE: cannot decode into %d bpp", pf.bpp);
  CPixelLayout cl(pf);
  subencs_.clear();
  in_->setInput(nullptr, 0, &more);
  int strideBytes = r.width() * cl.pixelSize;
  std::vector<uint8_t> buf(size_t(strideBytes) * TileSize);
  for (int y = r.tl.y; y < r.br.y; y += TileSize) {
    int h = r.br.y - y < TileSize ? r.br.y - y : TileSize;
    decodeTileRow(cl, r, h, buf.data(), strideBytes);
    band(y - r.tl.y, h, buf.data());
  }
  in_->finish();
}

void ZRLEDecoder::decodeTileRow(const CPixelLayout& cl, const Rect& r, int h,
                                uint8_t* dst, int strideBytes)
{
  for (int x = r.tl.x; x < r.br.x; x += TileSize) {
    int w = r.br.x - x < TileSize ? r.br.x - x : TileSize;
    decodeTile(cl, w, h, dst + ptrdiff_t(x - r.tl.x) * cl.pixelSize,
               strideBytes);
  }
}

void ZRLEDecoder::readCPixel(const CPixelLayout& cl, uint8_t* pixel)
{
  if (cl.cpSize != cl.pixelSize)
    memset(pixel, 0, cl.pixelSize);
  in_->readBytes(pixel + cl.offset, cl.cpSize);
}

void ZRLEDecoder::readPalette(const CPixelLayout& cl, int n)
{
  for (int i = 0; i < n; i++)
    readCPixel(cl, palette_ + i * cl.pixelSize);
  paletteSize_ = n;
}

unsigned ZRLEDecoder::readRunLength()
{
  unsigned len = 1;
  uint8_t b;
  do {
    b = in_->readU8();
    len += b;
    // No tile holds more than 4096 pixels; stop before the sum can wrap.
    if (len > 0x10000)
      throw plat::Exception("ZRLE: run past the end of a tile");
  } while (b == 255);
  return len;
}

void ZRLEDecoder::decodeTile(const CPixelLayout& cl, int w, int h, uint8_t* dst,
                             int strideBytes)
{
  const int ps = cl.pixelSize;
  unsigned sub = in_->readU8();
  subencs_.push_back(uint8_t(sub));

  // Writes `count` copies of a pixel at row-major position `pos` of the
  // tile; runs continue from one row into the next.
  auto fill = [&](unsigned pos, unsigned count, const uint8_t* pixel) {
    unsigned x = pos % w, y = pos / w;
    uint8_t* p = dst + y * strideBytes + x * ps;
    while (count--) {
      memcpy(p, pixel, ps);
      p += ps;
      if (++x == unsigned(w) && count) {
        x = 0;
        ++y;
        p = dst + y * strideBytes;
      }
    }
  };

  auto packed = [&](int nColours) {
    int bits = indexBits(nColours);
    int rowBytes = (w * bits + 7) / 8;
    uint8_t row[TileSize];
    for (int y = 0; y < h; y++) {
      in_->readBytes(row, rowBytes);
      uint8_t* p = dst + y * strideBytes;
      for (int x = 0; x < w; x++) {
        int bit = x * bits;
        unsigned idx =
            (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (idx >= unsigned(nColours))
          throw plat::Exception("ZRLE: palette index out of range");
        memcpy(p + x * ps, palette_ + idx * ps, ps);
      }
    }
  };

  auto paletteRle = [&](int nColours) {
    const unsigned total = unsigned(w) * h;
    unsigned pos = 0;
    while (pos < total) {
      uint8_t b = in_->readU8();
      unsigned idx = b & 127;
      unsigned len = (b & 128) ? readRunLength() : 1;
      if (idx >= unsigned(nColours))
        throw plat::Exception("ZRLE: palette index out of range");
      if (len > total - pos)
        throw plat::Exception("ZRLE: run past the end of a tile");
      fill(pos, len, palette_ + idx * ps);
      pos += len;
    }
  };

  auto needPreviousPalette = [&]() {
    if (!allowReuse_)
      throw plat::ExceptionFmt("ZRLE: unused subencoding %u", sub);
    if (paletteSize_ == 0)
      throw plat::ExceptionFmt("ZRLE: subencoding %u without a palette", sub);
  };

  if (sub == SubRaw) {
    for (int y = 0; y < h; y++) {
      uint8_t* p = dst + y * strideBytes;
      if (cl.cpSize == ps) {
        in_->readBytes(p, size_t(w) * ps);
      } else {
        for (int x = 0; x < w; x++)
          readCPixel(cl, p + x * ps);
      }
    }
  } else if (sub == SubSolid) {
    readPalette(cl, 1);
    fill(0, unsigned(w) * h, palette_);
  } else if (sub >= SubPackedMin && sub <= SubPackedMax) {
    readPalette(cl, int(sub));
    packed(int(sub));
  } else if (sub == SubPackedReuse) {
    needPreviousPalette();
    if (paletteSize_ == 1)
      fill(0, unsigned(w) * h, palette_);
    else if (paletteSize_ <= 16)
      packed(paletteSize_);
    else
      throw plat::Exception("ZRLE: packed tile with a palette above 16");
  } else if (sub == SubPlainRle) {
    const unsigned total = unsigned(w) * h;
    unsigned pos = 0;
    uint8_t pixel[4];
    while (pos < total) {
      readCPixel(cl, pixel);
      unsigned len = readRunLength();
      if (len > total - pos)
        throw plat::Exception("ZRLE: run past the end of a tile");
      fill(pos, len, pixel);
      pos += len;
    }
  } else if (sub == SubRleReuse) {
    needPreviousPalette();
    paletteRle(paletteSize_);
  } else if (sub >= SubPaletteRleMin) {
    readPalette(cl, int(sub - 128));
    paletteRle(int(sub - 128));
  } else {
    throw plat::ExceptionFmt("ZRLE: unused subencoding %u", sub);
  }
}

} // namespace rfb
