// Encoding of one printed page as the page data of a page file.
//
// Page data, as written after the file's 24-byte header: one framed
// message (frames of at most 32766 payload bytes, each behind a 2-byte
// big-endian header whose top bit marks the last frame) holding
//   - the rectangle header 0x8010, 0, 0, width, height (u16 each), then
//   - a zlib stream (header first) of the page's ZRLE tiles, 64 x 64, left
//     to right, top to bottom, ending at a sync-flush point: no final
//     block, no checksum, no length prefix.
#pragma once

namespace rdr {
class OutStream;
}

namespace rfb {

class PixelBuffer;

// Writes the page data of `page`, the rectangle (0, 0)-(width, height) of
// the buffer, to `file` at its current position. Uses a fresh encoder, so
// the zlib stream is the page's own. The page should be in 8, 16 or 32 bpp
// (the backend passes native-endian 32-bit rgb888, giving CPIXELs of
// blue, green, red); a 24-bpp page yields a rectangle header and an empty
// stream. Pixels are read with getImage, tile row by tile row, top to
// bottom. `file` is neither flushed nor closed; it must accept writes
// without a size limit. Throws what the stream throws, and
// plat::Exception when zlib cannot be initialised. Blocks as the stream
// does.
void encodePage(rdr::OutStream& file, PixelBuffer& page);

} // namespace rfb
