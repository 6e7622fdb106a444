// jex-log: prints the log of the user's running session agent as it is
// written, one "<source>: <text>" line per message, until interrupted.
// Settings: jex-log --help.

#include "LogServer.h"
#include "ProgramSetup.h"
#include "SpoolDir.h"
#include "StopSignals.h"

#include <io/FdLoop.h>
#include <io/Kicker.h>
#include <io/LogDestIpc.h>
#include <io/MsgIpc.h>
#include <io/UnixIo.h>
#include <loc/Localize.h>
#include <plat/DString.h>
#include <plat/LogSrc.h>
#include <plat/StringParameter.h>
#include <rdr/InStream.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

plat::StringParameter nameParam("Name",
                                plat::LocText{
                                    "agent_log_param_name",
                                    "Name of the agent whose log is shown (its "
                                    "Name setting)."},
                                "agent");
plat::IntParameter
    levelParam("Level",
               plat::LocText{"agent_log_param_level",
                             "Messages up to this level are shown: 0 errors, "
                             "30 events, 100 details, 110 everything."},
               plat::LogSrc::LevelStatus, false, nullptr, 0,
               plat::LogSrc::LevelAll);

// Reads the agent's messages and prints them; notes how the conversation
// ended.
class Follower : public io::MsgIpc::Reader {
public:
  explicit Follower(int level) : level_(level) {}

  bool refused = false;
  bool closed = false;

private:
  bool readMsg(const char* name, rdr::InStream& in, io::MsgIpc& ipc) override
  {
    if (strcmp(name, agent::LogServer::RefusedMsg) == 0) {
      refused = true;
      ipc.drop();
      return true;
    }
    int level = in.readS32();
    plat::DString src, text;
    in.readString8(src);
    in.readString32(text, io::LogDestIpc::MaxTextLength);
    // The agent queues everything until our level arrives.
    if (level <= level_) {
      printf("%s: %s\n", src.c_str(), text.c_str());
      fflush(stdout);
    }
    return true;
  }
  void ipcDropped(io::MsgIpc&) override { closed = true; }

  int level_;
};

int fail(const plat::String& text)
{
  fprintf(stderr, "jex-log: %s\n", text.c_str());
  return 1;
}

} // namespace

int main(int argc, char** argv)
{
  try {
    agent::setUpProgram(argc, argv, "*:stderr:0", nullptr);
  } catch (const plat::Exception& e) {
    return fail(e.message());
  }
  plat::LogSrc::finishStartup();

  std::string name = nameParam.getValue().c_str();
  std::string path =
      agent::SpoolDir::userPath(getuid()) + "/print." + name + ".ctl";
  try {
    io::FdLoop loop;
    io::Kicker kicker;
    agent::StopSignals stopSignals(kicker);
    os::UnixIo* io;
    try {
      io = new os::UnixIo(path.c_str(), -1);
    } catch (const plat::Exception& e) {
      return fail(loc::Localize::format("agent_log_no_agent",
                                        {name.c_str(), e.message()}));
    }
    io::MsgIpc ipc(0, io, true);
    // Only the user's own agent may speak for it.
    io->namedPipeCredCheck(getuid());
    Follower follower(levelParam);
    ipc.setReader("logMsg", &follower);
    ipc.setReader(agent::LogServer::RefusedMsg, &follower);
    try {
      ipc.writeMsg("setLogLevel").writeS32(levelParam);
      ipc.endMsg();
    } catch (const plat::Exception&) {
      // An agent that refuses us may have closed already; what it said
      // before is still there to be read.
    }
    while (!agent::StopSignals::stopRequested() && !follower.closed)
      loop.waitAndProcess();
    if (follower.refused)
      return fail(loc::Localize::format("agent_log_refused", {name.c_str()}));
    if (follower.closed)
      return fail(loc::Localize::format("agent_log_closed", {name.c_str()}));
  } catch (const plat::Exception& e) {
    return fail(e.message());
  }
  return 0;
}
