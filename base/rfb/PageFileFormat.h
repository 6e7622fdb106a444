// The page file: one printed page as the backend writes it and the session
// agent reads it back.
//
//   offset  field (each an unsigned 32-bit big-endian word)
//   0       width            pixels
//   4       height           pixels
//   8       physical width   tenths of a millimetre, rounded
//   12      physical height  tenths of a millimetre, rounded
//   16      paper code       paper-size number the session agent prints on
//   20      constant 1
//   24      page data        one framed rectangle message of encoding 16
//                            (ZRLE) covering (0, 0)-(width, height), running
//                            to the end of the file; its zlib stream is the
//                            page's own. Pixels are native-endian 32-bit
//                            rgb888 (CPIXELs blue, green, red).
//
// A frame is a 2-byte big-endian header (bit 15: last frame; bits 14..0:
// payload length) and its payload; the rectangle header inside the message
// holds 16-bit sides, of which the decoder accepts up to MaxPageSide.
#pragma once

#include <cstdint>

namespace rfb {
namespace pagefile {

enum : uint32_t {
  HeaderWords = 6,
  HeaderSize = HeaderWords * 4,
  // Word indices within the header.
  WordWidth = 0,
  WordHeight = 1,
  WordPhysWidth = 2,
  WordPhysHeight = 3,
  WordPaperCode = 4,
  WordConstant = 5,
  ConstantValue = 1,
  EncodingZRLE = 16,
  MaxPageSide = 32767,
};

} // namespace pagefile
} // namespace rfb
