// The CUPS backend entry: discovery, usage, and one job run inside the one
// handler through which every job failure is reported.

#include "JobCancel.h"
#include "JobError.h"
#include "JobFileSet.h"
#include "JobRun.h"

#include <plat/ConfigFile.h>
#include <plat/ConfigParameter.h>
#include <plat/Configuration.h>
#include <plat/Exception.h>
#include <plat/LogDestStderr.h>

#include <cstdio>

// Fixed at build time, so that nothing a caller controls can point the
// backend, which starts as root, at other settings. Only the tests' copy
// of the backend is built with another path.
#ifndef JEX_BACKEND_CONF
#define JEX_BACKEND_CONF "/etc/jex/backend.conf"
#endif

namespace {

// The "jex: " line for the log, the "ERROR: " line for the job's state in
// CUPS.
int fail(const char* message, int status)
{
  fprintf(stderr, "jex: %s\nERROR: %s\n", message, message);
  return status;
}

} // namespace

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

  JobFileSet files; // its destructor deletes what is still registered
  installCancelHandler(files);
  plat::LogDestStderr::instance().setCupsPrefix(true);
  try {
    plat::applyConfigFile(JEX_BACKEND_CONF, 0, plat::PriorityPreference,
                          plat::Configuration::global());
    runJob(argc, argv, files);
  } catch (JobError& e) {
    return fail(e.message(), e.status());
  } catch (plat::Exception& e) {
    return fail(e.message(), StatusFailed);
  }
  return 0;
}
