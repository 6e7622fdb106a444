#include "Manifest.h"

#include <string>

namespace cupsraster {

namespace {

// glibc prints "(null)" for a null %s; say so here rather than rely on the
// formatter, which is free to do anything with a null pointer.
const char* orNull(const char* s)
{
  return s ? s : "(null)";
}

// s with control characters made spaces, cut at maxBytes without
// splitting a UTF-8 sequence.
std::string iniValue(const char* s, size_t maxBytes)
{
  std::string v(orNull(s));
  if (v.size() > maxBytes) {
    size_t cut = maxBytes;
    while (cut > 0 && ((unsigned char)v[cut] & 0xc0) == 0x80)
      cut--;
    v.resize(cut);
  }
  for (char& c : v) {
    if ((unsigned char)c < 32 || c == 127)
      c = ' ';
  }
  return v;
}

const size_t MaxTitleBytes = 255;

} // namespace

plat::DString buildManifest(const char* title, const char* queue,
                            const char* format,
                            const std::vector<plat::String>& files)
{
  plat::DString text;
  text.append("[Document]\n");
  text.appendFormat("Name=%s\n", iniValue(title, MaxTitleBytes).c_str());
  text.append("[Device]\n");
  text.appendFormat("DeviceName=%s\n", iniValue(queue, SIZE_MAX).c_str());
  text.appendFormat("[%s]\n", orNull(format));
  text.appendFormat("Count=%lu\n", (unsigned long)files.size());
  for (size_t i = 0; i < files.size(); i++)
    text.appendFormat("File%d=%s\n", (int)i, files[i].c_str());
  return text;
}

} // namespace cupsraster
