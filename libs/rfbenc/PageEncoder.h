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
class PixelFormat;

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

// The page data of `page` encoded in the pixel format `pf` (the page is
// read in its own format and translated), with `threads` threads in all,
// the caller's included. With 1 this is encodePage above over a
// TransPixelBuffer, byte for byte. With more, the threads take turns to
// read the page in bands of whole tile rows (getImage of the full width,
// top to bottom, one call at a time), each translating and tile-encoding
// the bands it read, and deflate the tile stream in chunks; the workers
// write to `file`, which they own until this returns. The data decodes to
// the same tiles, its compressed bytes differ. Memory: a band of the page
// per thread, plus the chunks of rdr::ParallelZlibOutStream. Workers block
// the asynchronous signals. Failures of any thread are thrown here after
// every worker has stopped.
void encodePage(rdr::OutStream& file, PixelBuffer& page, const PixelFormat& pf,
                int threads);

// "EncoderThreads": the threads encodePage is given for a printed page; by
// default the number of online cores, at most 4.
extern plat::IntParameter encoderThreads;

} // namespace rfb
