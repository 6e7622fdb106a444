#include "ProgramSetup.h"

#include <loc/Localize.h>
#include <plat/ConfigFile.h>
#include <plat/Configuration.h>
#include <plat/LogDestStderr.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace agent {

void setUpProgram(int argc, char** argv, const char* defaultLog,
                  const char* configFile)
{
  loc::Localize::install();
  plat::LogDestStderr::instance();
  plat::Configuration& conf = plat::Configuration::global();
  // Below the settings file (5) and the command line (10).
  conf.set("Log", defaultLog, 1);
  if (configFile)
    plat::applyConfigFile(configFile, getuid(), 5, conf);
  conf.parseCommandLine(argc - 1, argv + 1, [&](int mode) {
    printf("%s [<param>=<value> ...]\n", argv[0]);
    conf.printHelp(mode == 1, stdout);
    exit(0);
  });
}

} // namespace agent
