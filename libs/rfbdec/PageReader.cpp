#include <rfbdec/PageReader.h>

#include <plat/Exception.h>
#include <rdr/Exception.h>
#include <rdr/InStream.h>
#include <rfbdec/RectMessage.h>

namespace rfb {

PageReader::PageReader(rdr::InStream& in) : in_(in), frames_(&in)
{
  uint32_t words[pagefile::HeaderWords];
  try {
    for (uint32_t& w : words)
      w = in.readU32();
  } catch (const rdr::EndOfStream&) {
    throw plat::Exception("Page file: shorter than its header");
  }
  header_.width = words[pagefile::WordWidth];
  header_.height = words[pagefile::WordHeight];
  header_.physWidth = words[pagefile::WordPhysWidth];
  header_.physHeight = words[pagefile::WordPhysHeight];
  header_.paperCode = words[pagefile::WordPaperCode];
  header_.constant = words[pagefile::WordConstant];
  if (header_.width > pagefile::MaxPageSide ||
      header_.height > pagefile::MaxPageSide)
    throw plat::Exception("Page file: a side is larger than 32767 pixels");

  try {
    frames_.startMsg();
    uint16_t rh[RectMessage::HeaderSize / 2];
    for (uint16_t& v : rh)
      v = frames_.readU16();
    if (rh[0] != (0x8000 | pagefile::EncodingZRLE) || rh[1] || rh[2] ||
        rh[3] != header_.width || rh[4] != header_.height)
      throw plat::Exception("Page file: the message is not the page's "
                            "ZRLE rectangle");
  } catch (const rdr::EndOfStream&) {
    throw plat::Exception("Page file: data ends inside the page");
  }
}

void PageReader::decodeBands(const ZRLEDecoder::BandSink& band)
{
  ZRLEDecoder decoder;
  auto more = [this](const uint8_t*& data) -> size_t {
    if (frames_.atEnd())
      return 0;
    size_t n = 65536;
    data = frames_.getItems(1, &n, true);
    return data ? n : 0;
  };
  try {
    decoder.decodeRectBands(Rect(0, 0, int(header_.width), int(header_.height)),
                            more, PageFile::pixelFormat(), band);
    frames_.endMsg();
  } catch (const rdr::EndOfStream&) {
    throw plat::Exception("Page file: data ends inside the page");
  }
  bool trailing = true;
  try {
    in_.readU8();
  } catch (const rdr::EndOfStream&) {
    trailing = false;
  }
  if (trailing)
    throw plat::Exception("Page file: data after the page message");
}

} // namespace rfb
