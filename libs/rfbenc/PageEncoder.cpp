#include <rfbenc/PageEncoder.h>

#include <rfb/PixelBuffer.h>
#include <rfbenc/EncoderCallbackV4.h>
#include <rfbenc/ZRLEEncoder.h>

namespace rfb {

void encodePage(rdr::OutStream& file, PixelBuffer& page)
{
  EncoderCallbackV4 cb(&file, 16384);
  ZRLEEncoder encoder(&cb, ZRLEEncoder::EncodingZRLE, false, 64, false, true);
  encoder.writeRect(Rect(0, 0, page.width(), page.height()), page, nullptr);
}

} // namespace rfb
