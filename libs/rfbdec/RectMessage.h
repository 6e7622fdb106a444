// Reading of framed rectangle messages, as the encoder's V4 output callback
// writes them.
//
// On the wire a message is a sequence of frames, each a 2-byte big-endian
// header (bit 15: last frame of the message; bits 14..0: payload length)
// and its payload. The payload of a rectangle message, joined across its
// frames, is
//
//   offset 0  u16  0x8000 | encoding     (0x8010 for ZRLE)
//          2  u16  x of the top-left corner
//          4  u16  y
//          6  u16  width
//          8  u16  height
//         10  ...  the encoding's data (for ZRLE: zlib data, to the end)
//
// Everything here works on bytes in memory and owns only what it returns.
#pragma once

#include <rfb/Rect.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rfb {

// Joins the frames of one message that starts at data[0]. The payload is
// appended to `payload`; the return value is the number of bytes the
// message took, headers included. Throws plat::Exception when the data
// ends before the message's last frame.
size_t readFramedMessage(const uint8_t* data, size_t len,
                         std::vector<uint8_t>& payload);

// A parsed rectangle message. `data` points into the payload it was parsed
// from and is valid as long as that payload is.
struct RectMessage {
  enum { HeaderSize = 10 };

  // Throws plat::Exception for a payload shorter than the header or
  // without the header's top bit.
  static RectMessage parse(const uint8_t* payload, size_t len);

  int encoding;
  Rect rect;
  const uint8_t* data;
  size_t length;
};

} // namespace rfb
