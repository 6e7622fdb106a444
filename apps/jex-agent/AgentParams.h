// The agent's settings: parameters of the global registry, so that the
// command line, --help and agent.conf all reach them.
#pragma once

#include <plat/ConfigParameter.h>
#include <plat/StringParameter.h>

namespace agent {

// The agent listens on print.<Name> in its private directory.
extern plat::StringParameter nameParam;
// Where delivered jobs go; empty: the default of Delivery::defaultOutputDir.
extern plat::StringParameter outputDirParam;
// A command line (split at blanks, no shell) run after each delivered job
// with the job's folder appended.
extern plat::StringParameter onJobParam;
// Seconds a client has to send its hand-off once connected.
extern plat::IntParameter clientTimeoutParam;

} // namespace agent
