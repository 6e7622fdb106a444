// The ZRLE tile encoder: turns one rectangle of pixels into the
// uncompressed ZRLE tile stream (remote framebuffer encoding 16, before
// zlib).
//
// The rectangle is cut into tiles of at most tileSize x tileSize pixels,
// rows top to bottom and tiles left to right. Each tile is analysed in one
// pass (palette, runs, palette-RLE bytes), the subencoding with the
// smallest estimated size is chosen, and the tile is written to the
// caller's stream. The owner is told about every tile row and tile through
// its XrleCallback, and lends the tile buffer through its EncoderCallback.
//
// Sources of 8, 16 and 32 bits per pixel are encoded; any other pixel size
// (24 bpp) writes nothing, so callers convert such sources first.
//
// Not thread-safe; one encoder per output stream.
#pragma once

#include <rfb/PixelFormat.h>
#include <rfb/Rect.h>
#include <rfbenc/XrlePaletteHelper.h>

#include <cstdint>

namespace rdr {
class OutStream;
}

namespace rfb {

class EncoderCallback;
class PixelBuffer;
class XrleCallback;

class XrleTileEncoder {
public:
  // Neither callback is owned; both must outlive the encoder. tileSize is
  // 1 to 64 (the protocol uses 64). With resetPerRect, every encodeRect
  // starts from reset(); reuseAllowed enables subencodings 127 and 129,
  // which refer to the palette of an earlier tile.
  XrleTileEncoder(XrleCallback* cb, EncoderCallback* bufferOwner, int tileSize,
                  bool reuseAllowed, bool resetPerRect);

  // Writes the tiles of r to os, reading pixels from source with getImage.
  // Stream exceptions pass through, leaving tileRect() at the tile being
  // written.
  void encodeRect(const Rect& r, rdr::OutStream& os, PixelBuffer& source);

  // Forgets both palettes and reloads the reuse setting.
  void reset();

  // The tile being (or last) encoded.
  const Rect& tileRect() const { return tile_; }
  // The subencoding chosen for the last tile analysed.
  uint8_t lastSubencoding() const { return subenc_; }

  enum CPixelForm { CPixelWhole, CPixelFirst3, CPixelLast3 };
  // How a pixel of the format is shortened to a CPIXEL: 32-bpp formats
  // with an unused byte drop it; everything else is kept whole.
  static CPixelForm cpixelForm(const PixelFormat& pf);

  // Tile analysis and tile writing, one instantiation per pixel type and
  // CPIXEL size/offset (XrleFilterTile.h, XrleEncodeTile.h).
  template <class PIXEL_T, int CP_SIZE, int CP_OFFSET>
  void encodeTiles(const Rect& r, rdr::OutStream& os, PixelBuffer& source,
                   PIXEL_T* buf);
  template <class PIXEL_T, int CP_SIZE, int CP_OFFSET>
  void filterTile(PIXEL_T* buf, int w, int h);
  template <class PIXEL_T, int CP_SIZE, int CP_OFFSET>
  void writeTile(const PIXEL_T* buf, int w, int h, rdr::OutStream& os);

private:
  enum { MaxTileSize = 64, MaxTilePixels = MaxTileSize * MaxTileSize };

  XrleCallback* cb_;
  EncoderCallback* bufferOwner_;
  int tileSize_;
  bool resetPerRect_;
  bool reuseAllowedInit_;
  bool reuseAllowed_;

  Rect tile_;

  // Results of the analysis of the current tile.
  bool reusing_ = false;
  bool useRle_ = false;
  bool usePalette_ = false;
  uint8_t subenc_ = 0;
  int bestSize_ = 0;

  XrlePaletteHelper palettes_[2];
  XrlePaletteHelper* cur_;
  XrlePaletteHelper* prev_;

  // Palette-RLE form of the current tile, built during analysis. No run
  // takes more bytes in it than it has pixels, so a tile's pixel count is
  // enough room.
  uint8_t rle_[MaxTilePixels];
  uint8_t* rleEnd_ = rle_;

  // The bytes of one tile are assembled here and written with one
  // writeBytes: at worst 4096 runs of one pixel in plain RLE, a 4-byte
  // CPIXEL and a one-byte length each, after the subencoding byte. Also
  // holds packed-palette indices while they are packed.
  uint8_t out_[1 + MaxTilePixels * 5];
};

} // namespace rfb
