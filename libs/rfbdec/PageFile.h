// Reading of page files (layout: rfb/PageFileFormat.h) held in memory: the
// header and the page's ZRLE data. PageReader reads them from a stream
// instead, with bounded memory.
#pragma once

#include <rfb/PageFileFormat.h>
#include <rfb/PixelFormat.h>
#include <rfbdec/RectMessage.h>

#include <cstdint>
#include <vector>

namespace rfb {

class WritablePixelBuffer;

class PageFile {
public:
  enum {
    HeaderSize = pagefile::HeaderSize,
    EncodingZRLE = pagefile::EncodingZRLE
  };

  struct Header {
    uint32_t width;
    uint32_t height;
    uint32_t physWidth;
    uint32_t physHeight;
    uint32_t paperCode;
    uint32_t constant;
  };

  // Parses the header and the framed message of a whole page file held in
  // `bytes` (taken over). Throws plat::Exception when the file is short, a
  // side exceeds pagefile::MaxPageSide, the message is cut, data follows
  // it, or the rectangle is not a ZRLE rectangle of the header's size.
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
