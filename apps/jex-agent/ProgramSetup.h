// The start-up the agent's programs share: translations, the "stderr" log
// destination with defaultLog as the "Log" routing below any other, the
// settings file and the command line (Name=value arguments; --help prints
// the registry's parameters and exits with status 0).
#pragma once

namespace agent {

// configFile, when not null, is read at a priority between the default and
// the command line; a missing file is no error. Throws plat::Exception for
// a bad setting or argument.
void setUpProgram(int argc, char** argv, const char* defaultLog,
                  const char* configFile);

} // namespace agent
