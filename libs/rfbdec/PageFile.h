// Reading of page files: the 24-byte header and the page's ZRLE data.
//
// Layout (all integers big-endian u32):
//   0  width in pixels          12  physical height (0.1 mm)
//   4  height in pixels         16  paper code
//   8  physical width (0.1 mm)  20  constant 1
//  24  one framed rectangle message (see RectMessage.h) of encoding 16
//      covering (0, 0)-(width, height), running to the end of the file;
//      its zlib stream is the page's own.
// The pixels are native-endian 32-bit rgb888 (CPIXELs blue, green, red).
#pragma once

#include <rfb/PixelFormat.h>
#include <rfbdec/RectMessage.h>

#include <cstdint>
#include <vector>

namespace rfb {

class WritablePixelBuffer;

class PageFile {
public:
  enum { HeaderSize = 24, EncodingZRLE = 16 };

  struct Header {
    uint32_t width;
    uint32_t height;
    uint32_t physWidth;
    uint32_t physHeight;
    uint32_t paperCode;
    uint32_t constant;
  };

  // Parses the header and the framed message of a whole page file held in
  // `bytes` (taken over). Throws plat::Exception when the file is short,
  // the message is cut, data follows it, or the rectangle is not a ZRLE
  // rectangle of the header's size.
  explicit PageFile(std::vector<uint8_t> bytes);
  // message() points into the object's own payload: moves keep it valid,
  // copies would not.
  PageFile(PageFile&&) = default;
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  // Reads the file at path and parses it as above. Throws
  // plat::SystemExceptionFmt when the file cannot be read.
  static PageFile load(const char* path);

  const Header& header() const { return header_; }
  const RectMessage& message() const { return message_; }

  // The format page data is encoded in.
  static const PixelFormat& pixelFormat()
  {
    return PixelFormat::nativeRgb888();
  }

  // Decodes the page into pb, which must be in pixelFormat() and enclose
  // (0, 0)-(width, height). Throws plat::Exception on corrupt data.
  void decode(WritablePixelBuffer& pb) const;

private:
  std::vector<uint8_t> bytes_;
  std::vector<uint8_t> payload_;
  Header header_;
  RectMessage message_;
};

} // namespace rfb
