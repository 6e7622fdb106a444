// The CUPS backend entry: discovery, usage, and one job run inside the one
// handler through which every job failure is reported.

#include "JobFileSet.h"
#include "JobRun.h"

#include <plat/Exception.h>

#include <cstdio>

int main(int argc, char** argv)
{
  if (argc == 1) {
    puts("direct jex:/ \"JEX Printer\" \"JEX Remote Printer\"");
    return 0;
  }
  if (argc != 6 && argc != 7) {
    fputs("Usage: jex job user title num-copies options [filename]\n", stderr);
    return 1;
  }

  JobFileSet files;
  try {
    runJob(argc, argv, files);
  } catch (plat::Exception& e) {
    fprintf(stderr, "jex: %s\n", e.message());
    return 1; // files' destructor deletes what is still registered
  }
  return 0;
}
