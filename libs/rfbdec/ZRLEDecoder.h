// Decoder of ZRLE rectangle data (remote framebuffer encoding type 16).
//
// Written from the protocol's description of the encoding, independently of
// the encoder in rfbenc, so that it can check that encoder and serve as the
// page viewer's decoder. One ZRLEDecoder follows one compressed stream: the
// data of successive rectangles continues a single zlib stream, so the
// inflater is kept from one decodeRect to the next until reset().
//
// Tiles are 64 x 64 pixels, left to right, top to bottom. Every tile starts
// with a subencoding byte:
//   0        raw CPIXELs
//   1        one CPIXEL for the whole tile
//   2..16    palette of that many CPIXELs, then rows of packed indices
//            (1, 2 or 4 bits, most significant first, rows byte-padded)
//   128      plain RLE: CPIXEL, run length
//   130..255 palette of (n - 128) CPIXELs, then palette RLE: an index byte,
//            with its top bit set followed by a run length
//   127, 129 packed / RLE against the previous tile's palette; not part of
//            the public protocol and refused unless allowPaletteReuse is set
// A run length is 1 plus the sum of its bytes, the last byte being below 255.
//
// A CPIXEL is the pixel itself, except for 32-bit true-colour formats of
// depth 24 or less whose colour bits all lie in the least (or else the most)
// significant three bytes: then it is those three bytes, in the pixel's
// byte order.
#pragma once

#include <rfb/PixelFormat.h>
#include <rfb/Rect.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace rfb {

class WritablePixelBuffer;

class ZRLEDecoder {
public:
  ZRLEDecoder();
  ~ZRLEDecoder();
  ZRLEDecoder(const ZRLEDecoder&) = delete;
  ZRLEDecoder& operator=(const ZRLEDecoder&) = delete;

  // Accept subencodings 127 and 129, which reuse the palette of the last
  // tile that carried one (including solid tiles). Off by default.
  void setAllowPaletteReuse(bool allow) { allowReuse_ = allow; }

  // Decodes rectangle r from [data, data + len), the compressed bytes of
  // this rectangle, which continue the stream of the rectangles decoded
  // before. The bytes must hold exactly the rectangle's tiles: data left
  // over after the last tile, or missing data, throws plat::Exception. The
  // pixels are written in format pf (8, 16 or 32 bpp) to dst, which points
  // at the pixel for r.tl, rows `stride` pixels apart. Nothing is owned.
  void decodeRect(const Rect& r, const uint8_t* data, size_t len,
                  const PixelFormat& pf, uint8_t* dst, int stride);
  // As above, into the pixel buffer's own format at r's coordinates; the
  // buffer must enclose r.
  void decodeRect(const Rect& r, const uint8_t* data, size_t len,
                  WritablePixelBuffer& pb);

  // For rectangles too large to hold, with compressed data arriving in
  // pieces: more(data) returns the length of the next piece and points data
  // at it (valid until the next call), or 0 at the end of the rectangle's
  // data. Each row of tiles is decoded into one band of r.width() x 64
  // pixels in format pf (rows r.width() pixels apart), and band(y, height,
  // pixels) sees it, y relative to r.tl.y, before the next row of tiles
  // overwrites it. Errors as decodeRect.
  typedef std::function<size_t(const uint8_t*& data)> Source;
  typedef std::function<void(int y, int h, const uint8_t* pixels)> BandSink;
  void decodeRectBands(const Rect& r, const Source& more, const PixelFormat& pf,
                       const BandSink& band);

  // Starts a new compressed stream: the next rectangle must begin with a
  // zlib header. Also forgets the previous palette.
  void reset();

  // Subencoding bytes of the tiles of the last decodeRect, in tile order.
  const std::vector<uint8_t>& tileSubencodings() const { return subencs_; }

private:
  class Inflater;
  struct CPixelLayout;

  // Decodes one row of tiles, h pixels high, spanning r's width into dst,
  // which holds the row's leftmost pixel.
  void decodeTileRow(const CPixelLayout& cl, const Rect& r, int h, uint8_t* dst,
                     int strideBytes);
  void decodeTile(const CPixelLayout& cl, int w, int h, uint8_t* dst,
                  int strideBytes);
  void readPalette(const CPixelLayout& cl, int n);
  void readCPixel(const CPixelLayout& cl, uint8_t* pixel);
  unsigned readRunLength();

  Inflater* in_;
  bool allowReuse_ = false;
  std::vector<uint8_t> subencs_;
  // Palette entries as pixel bytes, 4 bytes of room each; 127 is the most
  // any subencoding carries.
  uint8_t palette_[127 * 4];
  int paletteSize_ = 0;
};

} // namespace rfb
