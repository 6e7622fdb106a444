// Scripted raster streams for the test double of the CUPS imaging library
// (tests/fakecups), and the temporary directory the page files go to.
#pragma once

#include "fakecups/fakecupsimage.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include <sys/stat.h>

namespace rastertest {

// The colour of pixel (x, y) of page n, as red, green, blue.
inline void pixelAt(int n, int x, int y, uint8_t rgb[3])
{
  rgb[0] = (uint8_t)(x * 7 + n);
  rgb[1] = (uint8_t)(y * 3);
  rgb[2] = (uint8_t)((x ^ y) & 0xf0);
}

inline cups_page_header_t rgbHeader(unsigned w, unsigned h,
                                    unsigned bytesPerLine = 0)
{
  cups_page_header_t hdr;
  memset(&hdr, 0, sizeof(hdr));
  hdr.HWResolution[0] = hdr.HWResolution[1] = 300;
  hdr.PageSize[0] = 595;
  hdr.PageSize[1] = 842;
  hdr.cupsWidth = w;
  hdr.cupsHeight = h;
  hdr.cupsBitsPerColor = 8;
  hdr.cupsBitsPerPixel = 24;
  hdr.cupsBytesPerLine = bytesPerLine ? bytesPerLine : w * 3;
  hdr.cupsColorSpace = CUPS_CSPACE_RGB;
  return hdr;
}

class FakeStream {
public:
  // A page whose lines hold pixelAt(n, ...) followed by padding bytes 0xee.
  // keepLines < height cuts the stream inside the page.
  void addPage(const cups_page_header_t& h, int n, int keepLines = -1)
  {
    addHeader(h);
    if (keepLines < 0)
      keepLines = (int)h.cupsHeight;
    for (int y = 0; y < keepLines; y++) {
      std::vector<uint8_t> line(h.cupsBytesPerLine, 0xee);
      for (unsigned x = 0; x < h.cupsWidth; x++)
        pixelAt(n, (int)x, y, &line[x * 3]);
      bytes.insert(bytes.end(), line.begin(), line.end());
    }
  }
  void addHeader(const cups_page_header_t& h)
  {
    bytes.insert(bytes.end(), FAKE_CUPS_PAGE_TAG, FAKE_CUPS_PAGE_TAG + 4);
    const uint8_t* p = (const uint8_t*)&h;
    bytes.insert(bytes.end(), p, p + sizeof(h));
  }
  void addRaw(size_t n, uint8_t v) { bytes.insert(bytes.end(), n, v); }

  std::vector<uint8_t> bytes;
};

// A private temporary directory, removed with everything in it.
class TempDir {
public:
  TempDir()
  {
    char tmpl[] = "/tmp/jex-test-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir()
  {
    std::string cmd = "rm -rf '" + path + "'";
    if (system(cmd.c_str()) != 0) {
    }
  }
  std::string file(const std::string& name) const { return path + "/" + name; }
  std::string write(const std::string& name, const std::vector<uint8_t>& data)
  {
    std::string p = file(name);
    FILE* f = fopen(p.c_str(), "wb");
    if (f) {
      // An empty vector's data() may be null, which fwrite must not get.
      if (!data.empty())
        fwrite(data.data(), 1, data.size(), f);
      fclose(f);
    }
    return p;
  }
  bool exists(const std::string& name) const
  {
    struct stat st;
    return stat(file(name).c_str(), &st) == 0;
  }

  std::string path;
};

// Counts the lines of the double's call log that start with prefix.
inline int countCalls(const std::string& logPath, const char* prefix)
{
  FILE* f = fopen(logPath.c_str(), "r");
  if (!f)
    return 0;
  int n = 0;
  char line[256];
  while (fgets(line, sizeof(line), f)) {
    if (strncmp(line, prefix, strlen(prefix)) == 0)
      n++;
  }
  fclose(f);
  return n;
}

} // namespace rastertest
