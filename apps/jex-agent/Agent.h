// agent::Agent: one session agent of the user running it. It owns the
// private spool directory, the listening sockets (hand-offs on print.NAME,
// log followers on print.NAME.ctl) and the delivery of jobs:
// hand-offs are taken in on the event loop (cheap: open and check the
// files), converted and written on the delivery thread.
#pragma once

#include "Delivery.h"
#include "DeliveryQueue.h"
#include "FileUtil.h"
#include "SpoolDir.h"

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <sys/types.h>

namespace io {
class FdManager;
}

namespace agent {

class JobServer;
class LogServer;
class SpoolJob;

class Agent {
public:
  struct Settings {
    std::string spoolDir; // /tmp/.jex-UID
    std::string name;     // listens on spoolDir/print.<name>[.ctl]
    std::string outputDir;
    std::string onJob;
    int clientTimeoutMs = 10000;
  };

  // Opens (or creates) the spool directory. Throws UnsafeDir when it cannot
  // be trusted and the errors of SpoolDir and Delivery.
  explicit Agent(const Settings& settings);
  // Stops listening, finishes the deliveries taken in, removes the sockets.
  ~Agent();

  // Claims the name: false when another agent of this name runs (holds its
  // lock or answers on one of its sockets). Otherwise queues the complete jobs
  // left in the directory, removes spool files no complete job claims that are
  // older than an hour, and listens on mgr.
  bool start(io::FdManager& mgr);

  // Stops taking hand-offs; what was taken in is still delivered.
  void stopListening();
  // Waits until every job taken in is delivered.
  void drain();

  const std::string& socketPath() const { return socketPath_; }
  const std::string& outputDir() const { return settings_.outputDir; }

private:
  bool takeIn(const std::string& manifestPath, bool quiet);
  void recover();

  Settings settings_;
  uid_t uid_;
  SpoolDir spool_;
  std::string socketPath_;
  std::string ctlPath_;
  FdGuard lock_;
  Delivery delivery_;
  // Manifests taken in and not yet done, so that a job found at start and
  // then handed off is delivered once.
  std::mutex takenMutex_;
  std::set<std::string> taken_;
  DeliveryQueue queue_;
  std::unique_ptr<JobServer> server_;
  std::unique_ptr<LogServer> logServer_;
};

} // namespace agent
