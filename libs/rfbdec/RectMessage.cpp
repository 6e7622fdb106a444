#include <rfbdec/RectMessage.h>

#include <plat/Exception.h>

namespace rfb {

namespace {

unsigned readU16(const uint8_t* p)
{
  return unsigned(p[0]) << 8 | p[1];
}

} // namespace

size_t readFramedMessage(const uint8_t* data, size_t len,
                         std::vector<uint8_t>& payload)
{
  size_t pos = 0;
  for (;;) {
    if (len - pos < 2)
      throw plat::Exception("Framed message: data ends before the last frame");
    unsigned hdr = readU16(data + pos);
    pos += 2;
    size_t n = hdr & 0x7fff;
    if (len - pos < n)
      throw plat::Exception("Framed message: data ends inside a frame");
    payload.insert(payload.end(), data + pos, data + pos + n);
    pos += n;
    if (hdr & 0x8000)
      return pos;
  }
}

RectMessage RectMessage::parse(const uint8_t* payload, size_t len)
{
  if (len < HeaderSize)
    throw plat::Exception("Rectangle message: shorter than its header");
  unsigned enc = readU16(payload);
  if (!(enc & 0x8000))
    throw plat::Exception("Rectangle message: bad header");
  RectMessage m;
  m.encoding = int(enc & 0x7fff);
  m.rect.setXYWH(int(readU16(payload + 2)), int(readU16(payload + 4)),
                 int(readU16(payload + 6)), int(readU16(payload + 8)));
  m.data = payload + HeaderSize;
  m.length = len - HeaderSize;
  return m;
}

} // namespace rfb
