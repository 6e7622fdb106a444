// Converts a raster job read from standard input into page files, exactly
// as the backend does, in a private temporary directory, then removes them.
// For timing by page-latency.sh; the job's other steps (hand-off, manifest)
// are left out.
//
//   jex-page-bench [THREADS]    THREADS: EncoderThreads (default: its own)
//
// Prints the number of pages and the bytes of page data written.

#include "RasterJob.h"

#include <plat/Exception.h>
#include <rfbenc/PageEncoder.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
  if (argc > 2 ||
      (argc == 2 && !rfb::encoderThreads.setFromText(argv[1], 10))) {
    fprintf(stderr, "usage: jex-page-bench [THREADS (1-4)] < raster\n");
    return 2;
  }
  char dir[] = "/tmp/jex-page-bench-XXXXXX";
  if (!mkdtemp(dir)) {
    perror("mkdtemp");
    return 1;
  }
  std::vector<plat::String> pages;
  int status = 0;
  try {
    cupsraster::convertRasterJob(
        nullptr, plat::String::format("%s/page", dir).c_str(), pages);
  } catch (plat::Exception& e) {
    fprintf(stderr, "jex-page-bench: %s\n", e.message());
    status = 1;
  }
  long long bytes = 0;
  for (const plat::String& p : pages) {
    struct stat st;
    if (stat(p.c_str(), &st) == 0)
      bytes += st.st_size;
    unlink(p.c_str());
  }
  rmdir(dir);
  printf("%zu pages, %lld bytes\n", pages.size(), bytes);
  return status;
}
