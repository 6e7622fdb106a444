#include "AgentParams.h"

namespace agent {

plat::StringParameter
    nameParam("Name",
              plat::LocText{"agent_param_name",
                            "Name of this agent: it listens on print.<Name> "
                            "in the user's private directory."},
              "agent");
plat::StringParameter outputDirParam(
    "OutputDir",
    plat::LocText{"agent_param_output_dir",
                  "Folder that receives printed jobs, one folder per job. "
                  "Empty: Printouts in the documents folder."},
    "");
plat::StringParameter onJobParam(
    "OnJob",
    plat::LocText{"agent_param_on_job",
                  "Command run after each delivered job, with the job's "
                  "folder as its last argument (no shell)."},
    "");
plat::IntParameter clientTimeoutParam(
    "ClientTimeout",
    plat::LocText{"agent_param_client_timeout",
                  "Seconds a connecting client has to hand over its job."},
    10, false, nullptr, 1, 3600);

} // namespace agent
