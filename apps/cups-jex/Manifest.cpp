#include "Manifest.h"

#include <rdr/FileOutStream.h>

namespace cupsraster {

namespace {

// glibc prints "(null)" for a null %s; say so here rather than rely on the
// formatter, which is free to do anything with a null pointer.
const char* orNull(const char* s)
{
  return s ? s : "(null)";
}

} // namespace

plat::DString buildManifest(const char* title, const char* queue,
                            const char* format,
                            const std::vector<plat::String>& files)
{
  plat::DString text;
  text.append("[Document]\n");
  text.appendFormat("Name=%s\n", orNull(title));
  text.append("[Device]\n");
  text.appendFormat("DeviceName=%s\n", orNull(queue));
  text.appendFormat("[%s]\n", orNull(format));
  text.appendFormat("Count=%lu\n", (unsigned long)files.size());
  for (size_t i = 0; i < files.size(); i++)
    text.appendFormat("File%d=%s\n", (int)i, files[i].c_str());
  return text;
}

void writeManifest(const char* path, const plat::DString& text)
{
  rdr::FileOutStream out(path);
  out.writeBytes(text.c_str(), text.length());
}

} // namespace cupsraster
