// jex-agent: the session agent a user runs. It takes the jobs the jex
// backend hands to this user and delivers them to the user's Printouts
// folder; see Agent.h. Settings: jex-agent --help.

#include "Agent.h"
#include "AgentParams.h"
#include "LogServer.h"
#include "ProgramSetup.h"
#include "StopSignals.h"

#include <io/FdLoop.h>
#include <io/Kicker.h>
#include <loc/Localize.h>
#include <plat/LogSrc.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

plat::StaticLogSrc vlog("Agent");

std::string configPath()
{
  const char* config = getenv("XDG_CONFIG_HOME");
  if (config && *config == '/')
    return std::string(config) + "/jex/agent.conf";
  const char* home = getenv("HOME");
  return std::string(home ? home : "") + "/.config/jex/agent.conf";
}

int fail(const char* text)
{
  fprintf(stderr, "jex-agent: %s\n", text);
  return 1;
}

} // namespace

int main(int argc, char** argv)
{
  try {
    agent::setUpProgram(argc, argv, "*:stderr:30", configPath().c_str());
  } catch (const plat::Exception& e) {
    return fail(e.message());
  }
  // Before any thread of the agent logs.
  agent::LogServer::prepareRouting();
  plat::LogSrc::finishStartup();

  if (getuid() == 0)
    return fail(loc::Localize::text("agent_not_root"));

  agent::Agent::Settings s;
  s.spoolDir = agent::SpoolDir::userPath(getuid());
  s.name = agent::nameParam.getValue().c_str();
  s.outputDir = agent::outputDirParam.getValue().c_str();
  if (s.outputDir.empty())
    s.outputDir = agent::Delivery::defaultOutputDir();
  s.onJob = agent::onJobParam.getValue().c_str();
  s.clientTimeoutMs = agent::clientTimeoutParam * 1000;
  if (s.name.empty() || s.name.find('/') != std::string::npos)
    return fail(
        loc::Localize::format("agent_bad_name", {s.name.c_str()}).c_str());

  // The kernel reaps the OnJob commands, which nobody waits for.
  signal(SIGCHLD, SIG_IGN);
  try {
    io::FdLoop loop;
    io::Kicker kicker;
    agent::Agent agent(s);
    agent::StopSignals stopSignals(kicker);
    if (!agent.start(loop)) {
      vlog->status(
          "%s", loc::Localize::format("agent_already_running", {s.name.c_str()})
                    .c_str());
      return 0;
    }
    vlog->status("%s", loc::Localize::format(
                           "agent_listening",
                           {agent.socketPath().c_str(), s.outputDir.c_str()})
                           .c_str());
    while (!agent::StopSignals::stopRequested())
      loop.waitAndProcess();
    vlog->status("%s", loc::Localize::text("agent_stopping"));
    agent.stopListening();
    agent.drain();
  } catch (const plat::Exception& e) {
    return fail(e.message());
  }
  return 0;
}
