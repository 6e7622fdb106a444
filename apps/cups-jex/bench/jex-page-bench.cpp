// Converts a raster job read from standard input into page files, exactly
// as the backend does, in a private temporary directory that it removes
// again. For timing by page-latency.sh; the job's other steps (account,
// hand-off, manifest) are left out.
//
//   jex-page-bench [THREADS]    THREADS: EncoderThreads (default: its own)
//
// Prints the number of pages and the bytes of page data written.

#include "JobFileSet.h"
#include "RasterJob.h"

#include <os/PrivateDir.h>
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
  int status = 0;
  std::vector<plat::String> pages;
  long long bytes = 0;
  try {
    JobFileSet files; // removes the page files when it goes
    files.setDir(os::openPrivateDir(dir, getuid()), dir);
    cupsraster::convertRasterJob(0, "[stdin]", files, "bench", pages);
    struct stat st;
    for (const plat::String& p : pages)
      bytes += stat(p.c_str(), &st) == 0 ? st.st_size : 0;
  } catch (plat::Exception& e) {
    fprintf(stderr, "jex-page-bench: %s\n", e.message());
    status = 1;
  }
  rmdir(dir);
  printf("%zu pages, %lld bytes\n", pages.size(), bytes);
  return status;
}
