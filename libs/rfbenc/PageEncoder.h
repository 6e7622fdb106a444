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

#include <plat/ConfigParameter.h>

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

// The same with `threads` threads in all, the caller's included. With 1
// this is encodePage above, byte for byte. With more, the caller's thread
// reads and tile-encodes the page while threads - 1 workers deflate it in
// chunks and write it to `file`, which they own until this returns; the
// data decodes to the same tiles, its compressed bytes differ. Failures of
// any thread are thrown here after every worker has stopped.
void encodePage(rdr::OutStream& file, PixelBuffer& page, int threads);

// "EncoderThreads": the threads encodePage is given for a printed page; by
// default the number of online cores, at most 4.
extern plat::IntParameter encoderThreads;

} // namespace rfb
