#include "Agent.h"

#include "JobServer.h"
#include "Listener.h"
#include "LogServer.h"
#include "SpoolJob.h"

#include <loc/Localize.h>
#include <plat/LogSrc.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace agent {

namespace {

plat::StaticLogSrc vlog("Agent");

// Spool files older than this with no complete job claiming them are
// leftovers of jobs that never finished.
const time_t OrphanAge = 3600;

bool startsWith(const std::string& s, const char* prefix)
{
  return s.compare(0, strlen(prefix), prefix) == 0;
}

bool endsWith(const std::string& s, const char* suffix)
{
  size_t n = strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

} // namespace

Agent::Agent(const Settings& settings)
    : settings_(settings), uid_(getuid()), spool_(settings.spoolDir, uid_),
      socketPath_(settings.spoolDir + "/print." + settings.name),
      ctlPath_(socketPath_ + ".ctl"),
      delivery_(spool_, settings.outputDir, settings.onJob),
      queue_([this](SpoolJob& job) { delivery_.deliver(job); },
             [this](SpoolJob& job) {
               std::lock_guard<std::mutex> lock(takenMutex_);
               taken_.erase(job.manifestName());
             })
{
}

Agent::~Agent()
{
  stopListening();
  drain();
}

bool Agent::start(io::FdManager& mgr)
{
  // The lock settles a race of two agents starting at once; the socket
  // test also finds a listener that takes no lock.
  std::string lockName = "print." + settings_.name + ".lock";
  lock_.reset(openat(spool_.fd(), lockName.c_str(),
                     O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (lock_.get() < 0)
    throw plat::SystemExceptionFmt("open(%s)", errno, lockName.c_str());
  if (flock(lock_.get(), LOCK_EX | LOCK_NB) != 0 ||
      Listener::answering(socketPath_) || Listener::answering(ctlPath_))
    return false;
  recover();
  server_.reset(new JobServer(
      socketPath_, uid_, settings_.clientTimeoutMs,
      [this](const std::string& path) { takeIn(path, false); }, mgr));
  logServer_.reset(new LogServer(ctlPath_, uid_, mgr));
  return true;
}

void Agent::stopListening()
{
  server_.reset();
  logServer_.reset();
}

void Agent::drain()
{
  queue_.drain();
}

bool Agent::takeIn(const std::string& manifestPath, bool quiet)
{
  std::unique_ptr<SpoolJob> job;
  try {
    job.reset(new SpoolJob(spool_, manifestPath));
  } catch (const plat::Exception& e) {
    if (!quiet)
      vlog->error("refused the job %s: %s", manifestPath.c_str(), e.message());
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(takenMutex_);
    if (!taken_.insert(job->manifestName()).second) {
      vlog->status("job %s is already being delivered", manifestPath.c_str());
      return true;
    }
  }
  vlog->info("took in %s (%zu files)", manifestPath.c_str(), job->fileCount());
  queue_.push(std::move(job));
  return true;
}

void Agent::recover()
{
  std::vector<std::string> names = spool_.entries();
  std::set<std::string> claimed;
  for (const std::string& n : names) {
    if (!startsWith(n, "jex-") || !endsWith(n, ".ini"))
      continue;
    std::string path = spool_.path() + "/" + n;
    try {
      SpoolJob probe(spool_, path);
      claimed.insert(n);
      for (size_t i = 0; i < probe.fileCount(); i++)
        claimed.insert(probe.fileName(i));
    } catch (const plat::Exception&) {
      continue; // incomplete, or not a job: an orphan once old enough
    }
    vlog->status("delivering the job left in %s", path.c_str());
    takeIn(path, true);
  }
  time_t now = time(nullptr);
  for (const std::string& n : names) {
    struct stat st;
    if (!startsWith(n, "jex-") || claimed.count(n) ||
        fstatat(spool_.fd(), n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        S_ISDIR(st.st_mode) || now - st.st_mtime < OrphanAge)
      continue;
    vlog->status("removing the leftover spool file %s", n.c_str());
    spool_.remove(n);
  }
}

} // namespace agent
