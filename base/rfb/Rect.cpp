#include <rfb/Rect.h>

#include <plat/BoundedText.h>

namespace rfb {

const char* Rect::print(char* buf) const
{
  buf[0] = '\0';
  plat::boundedAppendFormat(buf, PrintSize, "%d,%d to %d,%d", tl.x, tl.y, br.x,
                            br.y);
  return buf;
}

} // namespace rfb
