// The ZRLE encoder (remote framebuffer encoding 16): the tiles of every
// rectangle go through one zlib stream that continues from rectangle to
// rectangle and update to update until reset().
//
// Two roads:
//  - unbuffered (no size budget, no length prefix): tiles are compressed
//    straight into the rectangle's stream, then sync-flushed;
//  - staged (a budget, or a u32 length before each rectangle's data): the
//    compressed data is collected in a size-limited memory stream with a
//    sync flush at every tile row. When the budget overflows, the encoder
//    rewinds to the last row (or, within the first row, tile) boundary,
//    restarts deflate so that its output continues the stream the decoder
//    has already seen at that boundary, and writes only what fitted. The
//    part of the rectangle left out is reported to the caller.
//
// writeUpdate obeys the parameters MiniUpdates and MiniUpdateSize, read at
// every call; ZlibLevel is read once, when the encoder is constructed.
// Not thread-safe: an encoder and its callback belong to one thread.
#pragma once

#include <plat/ConfigParameter.h>
#include <rdr/MemOutStream.h>
#include <rdr/ZlibOutStream.h>
#include <rfbenc/Encoder.h>
#include <rfbenc/XrleCallback.h>
#include <rfbenc/XrleTileEncoder.h>

namespace rfb {

class ZRLEEncoder : public Encoder, private XrleCallback {
public:
  enum { EncodingZRLE = 16 };

  // "Send only small updates to avoid problems on slow links"
  static plat::BoolParameter miniUpdates;
  // "Size in bytes to restrict mini updates": the budget of compressed
  // bytes of one update (headers count towards later rectangles).
  static plat::IntParameter miniUpdateSize;
  // "Zlib compression level (-1=auto, 0=lowest)"
  static plat::IntParameter zlibLevel;

  // cb is not owned. lengthPrefix puts a u32 length before every
  // rectangle's compressed data. tileSize, reuseAllowed and resetPerRect
  // configure the tile encoder (XrleTileEncoder). Throws plat::Exception
  // when zlib cannot be initialised.
  ZRLEEncoder(EncoderCallback* cb, int encoding, bool lengthPrefix,
              int tileSize, bool reuseAllowed, bool resetPerRect);
  ~ZRLEEncoder() override;

  // A heap encoder for cb with 64-pixel tiles, no palette reuse, reset per
  // rectangle, and a length prefix when the callback speaks version 3. The
  // caller owns the result.
  static Encoder* create(EncoderCallback* cb, int encoding);

  // Writes every rectangle of the callback's getRects(region), each whole
  // unless MiniUpdates is set; then the compressed data of the update is
  // kept within MiniUpdateSize, and what is left out is added to
  // `remaining`. Throws plat::Exception "MiniUpdateSize is too small" when
  // not even the first tile of the first rectangle fits (rectangles
  // already written stay written).
  bool writeUpdate(const Region& region, PixelBuffer& source, void* arg,
                   Region& remaining) override;
  // Encodes r, framed by the callback's startRect/endRect. Returns true.
  bool writeRect(const Rect& r, PixelBuffer& source, void* arg) override;
  // Encodes r into os; the caller wrote the rectangle header.
  bool writeRectData(const Rect& r, rdr::OutStream& os,
                     PixelBuffer& source) override;
  // Starts the zlib stream afresh and clears the tile encoder's palettes;
  // the next rectangle begins with a zlib header.
  void reset() override;

  // The core step: encodes r into os (header off) or into the callback's
  // stream (withRectHeader, os null), within `budget` compressed bytes
  // when budget > 0. Returns true when all of r was written; otherwise
  // *actual (when given) is the part that was, possibly empty, and the
  // rest is the caller's to send later.
  bool encodeRect(const Rect& r, rdr::OutStream* os, PixelBuffer& source,
                  int budget, Rect* actual, bool withRectHeader);

private:
  void rowStart() override;
  void tileStart() override;
  void tileEnd() override;
  void rowEnd() override;

  void rewindTo(size_t checkpoint);

  class StagingStream : public rdr::MemOutStream {
  public:
    void truncate(size_t len) { ptr = const_cast<uint8_t*>(data()) + len; }
  };

  XrleTileEncoder tiles_;
  rdr::ZlibOutStream zos_;
  StagingStream staging_;
  size_t rowCheckpoint_ = 0;
  size_t tileCheckpoint_ = 0;
  bool flushPerRow_ = false;
  bool flushPerTile_ = false;
  bool lengthPrefix_;
  bool fresh_ = true;
};

} // namespace rfb
