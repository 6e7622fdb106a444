// Tile writing of XrleTileEncoder and its rectangle loop, with the wire
// constants of the ZRLE tile stream. Included only by XrleTileEncoder.cpp
// (and by XrleFilterTile.h), which instantiates the templates.
//
// Tile stream of one rectangle: tiles of 64 x 64 (less at the right and
// bottom edges), rows top to bottom, tiles left to right, each one
//
//   u8 subencoding, then by subencoding:
//   0        raw       w*h CPIXELs, row-major
//   1        solid     1 CPIXEL
//   2..16    packed    n CPIXELs (palette), then h rows of w indices,
//                      1/2/4 bits each, MSB first, rows padded to a byte
//   127      packed    rows of indices into the previous tile's palette;
//                      nothing when that palette has one colour
//   128      plain RLE per run: CPIXEL, run length code
//   129      pal. RLE  per run against the previous palette (as below)
//   130..255 pal. RLE  (n - 128) CPIXELs, then per run:
//                        length 1:  u8 index
//                        length 2:  u8 index, u8 index
//                        length 3+: u8 (index | 128), run length code
//
// Run length code of a run of L pixels: L - 1 as 255-bytes while above
// 254, then the remainder (below 255). 256 pixels: ff 00; 510: ff fe.
//
// CPIXEL: the pixel's bytes in memory, or CP_SIZE of them starting at
// CP_OFFSET when a 32-bit pixel has an unused byte.
#pragma once

#include <plat/Assert.h>
#include <rdr/OutStream.h>
#include <rfb/PixelBuffer.h>
#include <rfbenc/XrleCallback.h>
#include <rfbenc/XrleTileEncoder.h>

#include <cstring>

namespace rfb {

const uint8_t XrleSubRaw = 0;
const uint8_t XrleSubSolid = 1;
const uint8_t XrleSubPackedPrevious = 127;
const uint8_t XrleSubPlainRle = 128;
const uint8_t XrleSubRlePrevious = 129;
// Packed palettes go up to 16 colours (subencoding = colour count);
// palette RLE carries up to XrlePaletteHelper::MAX_SIZE (subencoding 128 +
// count, so 130 to 255).
const int XrleMaxPackedColours = 16;

inline uint8_t* xrleWriteRunLength(uint8_t* out, unsigned code)
{
  while (code > 254) {
    *out++ = 255;
    code -= 255;
  }
  *out++ = uint8_t(code);
  return out;
}

template <class PIXEL_T, int CP_SIZE, int CP_OFFSET>
inline uint8_t* xrleWriteCPixel(uint8_t* out, PIXEL_T pix)
{
  memcpy(out, reinterpret_cast<const uint8_t*>(&pix) + CP_OFFSET, CP_SIZE);
  return out + CP_SIZE;
}

// Packs h rows of w indices at `bits` per index, most significant first,
// each row padded to a whole byte.
inline uint8_t* xrlePackRows(uint8_t* out, const uint8_t* idx, int w, int h,
                             int bits)
{
  for (int y = 0; y < h; y++) {
    unsigned acc = 0;
    int filled = 0;
    for (int x = 0; x < w; x++) {
      acc = (acc << bits) | *idx++;
      filled += bits;
      if (filled == 8) {
        *out++ = uint8_t(acc);
        acc = 0;
        filled = 0;
      }
    }
    if (filled)
      *out++ = uint8_t(acc << (8 - filled));
  }
  return out;
}

template <class PIXEL_T, int CP_SIZE, int CP_OFFSET>
void XrleTileEncoder::writeTile(const PIXEL_T* buf, int w, int h,
                                rdr::OutStream& os)
{
  const int n = w * h;
  const uint8_t sub = subenc_;
  const bool newPalette = sub == XrleSubSolid ||
                          (sub >= 2 && sub <= XrleMaxPackedColours) ||
                          sub > XrleSubRlePrevious;
  if (newPalette) {
    XrlePaletteHelper* t = cur_;
    cur_ = prev_;
    prev_ = t;
  }
  // This tile's palette, new or reused, is now the previous one.
  const XrlePaletteHelper& pal = *prev_;

  uint8_t* o = out_;
  *o++ = sub;
  auto writePalette = [&]() {
    for (int i = 0; i < pal.size; i++)
      o = xrleWriteCPixel<PIXEL_T, CP_SIZE, CP_OFFSET>(o,
                                                       PIXEL_T(pal.palette[i]));
  };
  // Walks the runs of the tile; the sentinel after the last pixel ends the
  // last run.
  auto forEachRun = [&](auto&& f) {
    const PIXEL_T* p = buf;
    const PIXEL_T* const end = buf + n;
    while (p < end) {
      const PIXEL_T* q = p + 1;
      while (*q == *p)
        q++;
      f(*p, unsigned(q - p));
      p = q;
    }
  };

  if (sub == XrleSubRaw) {
    if (CP_SIZE == int(sizeof(PIXEL_T))) {
      os.writeBytes(out_, 1);
      os.writeBytes(buf, n * CP_SIZE);
      return;
    }
    for (int i = 0; i < n; i++)
      o = xrleWriteCPixel<PIXEL_T, CP_SIZE, CP_OFFSET>(o, buf[i]);
  } else if (sub == XrleSubSolid) {
    o = xrleWriteCPixel<PIXEL_T, CP_SIZE, CP_OFFSET>(o, buf[0]);
  } else if (sub <= XrleMaxPackedColours) {
    PLAT_ASSERT(pal.size < 17);
    writePalette();
    // The indices come from the palette-RLE form made during analysis,
    // expanded into the tail of out_, which the packed rows (at most half
    // a byte per pixel after a palette of at most 64 bytes) never reach.
    uint8_t* idx = out_ + sizeof(out_) - n;
    uint8_t* d = idx;
    for (const uint8_t* s = rle_; s < rleEnd_;) {
      uint8_t b = *s++;
      unsigned len = 1;
      if (b & 128) {
        uint8_t c;
        do {
          c = *s++;
          len += c;
        } while (c == 255);
        b &= 127;
      }
      memset(d, b, len);
      d += len;
    }
    o = xrlePackRows(o, idx, w, h, XrlePaletteHelper::indexWidth(pal.size));
  } else if (sub == XrleSubPackedPrevious) {
    if (pal.size > 1) {
      uint8_t* idx = out_ + sizeof(out_) - n;
      uint8_t* d = idx;
      forEachRun([&](PIXEL_T pix, unsigned len) {
        memset(d, pal.lookup(pix), len);
        d += len;
      });
      o = xrlePackRows(o, idx, w, h, XrlePaletteHelper::indexWidth(pal.size));
    }
  } else if (sub == XrleSubPlainRle) {
    forEachRun([&](PIXEL_T pix, unsigned len) {
      o = xrleWriteCPixel<PIXEL_T, CP_SIZE, CP_OFFSET>(o, pix);
      o = xrleWriteRunLength(o, len - 1);
    });
  } else if (sub == XrleSubRlePrevious) {
    forEachRun([&](PIXEL_T pix, unsigned len) {
      const uint8_t i = uint8_t(pal.lookup(pix));
      if (len == 1) {
        *o++ = i;
      } else if (len == 2) {
        o[0] = o[1] = i;
        o += 2;
      } else {
        *o++ = i | 128;
        o = xrleWriteRunLength(o, len - 1);
      }
    });
  } else {
    writePalette();
    os.writeBytes(out_, o - out_);
    os.writeBytes(rle_, rleEnd_ - rle_);
    return;
  }
  os.writeBytes(out_, o - out_);
}

template <class PIXEL_T, int CP_SIZE, int CP_OFFSET>
void XrleTileEncoder::encodeTiles(const Rect& r, rdr::OutStream& os,
                                  PixelBuffer& source, PIXEL_T* buf)
{
  for (int y = r.tl.y; y < r.br.y; y += tileSize_) {
    const int h = r.br.y - y < tileSize_ ? r.br.y - y : tileSize_;
    cb_->rowStart();
    for (int x = r.tl.x; x < r.br.x; x += tileSize_) {
      const int w = r.br.x - x < tileSize_ ? r.br.x - x : tileSize_;
      tile_ = Rect(x, y, x + w, y + h);
      source.getImage(buf, tile_, 0);
      cb_->tileStart();
      filterTile<PIXEL_T, CP_SIZE, CP_OFFSET>(buf, w, h);
      if (cb_->wantTile())
        writeTile<PIXEL_T, CP_SIZE, CP_OFFSET>(buf, w, h, os);
      cb_->tileEnd();
    }
    cb_->rowEnd();
  }
}

} // namespace rfb
