#include <rfbenc/EncoderCallbackV4.h>

namespace rfb {

EncoderCallbackV4::EncoderCallbackV4(rdr::OutStream* out, size_t preferredMax,
                                     bool wipe)
    : EncoderCallback(preferredMax, wipe), framed_(out)
{
}

rdr::OutStream* EncoderCallbackV4::startRect(const Rect& r, int encoding, bool)
{
  framed_.startMsg();
  framed_.writeU16(uint16_t(RectHeaderFlag | (encoding & 0x7fff)));
  framed_.writeU16(uint16_t(r.tl.x));
  framed_.writeU16(uint16_t(r.tl.y));
  framed_.writeU16(uint16_t(r.width()));
  framed_.writeU16(uint16_t(r.height()));
  return &framed_;
}

void EncoderCallbackV4::endRect(bool flush)
{
  framed_.endMsg(flush);
}

size_t EncoderCallbackV4::length()
{
  return framed_.length();
}

} // namespace rfb
