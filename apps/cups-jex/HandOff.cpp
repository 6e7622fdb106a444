#include "HandOff.h"

#include "JobCancel.h"
#include "JobError.h"

#include <os/SocketUtil.h>
#include <plat/ConfigParameter.h>
#include <plat/time.h>
#include <rdr/FdWait.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

plat::IntParameter HandOffTimeout(
    "HandOffTimeout",
    "Seconds the print backend waits for the session agent to accept a job "
    "and take its message",
    10, false, nullptr, 1, 3600);

// Owns the connection's descriptor.
struct Socket {
  explicit Socket(int fd) : fd(fd) {}
  ~Socket() { close(fd); }
  int fd;
};

int64_t nowMs()
{
  return plat::monotonicNow() / 10000; // 100-ns units
}

} // namespace

void handOff(const char* socketPath, uid_t uid, const char* manifestPath,
             const std::function<void()>& delivered)
{
  const int timeoutMs = HandOffTimeout * 1000;
  const int64_t deadline = nowMs() + timeoutMs;
  fprintf(stderr, "jex: connecting to socket \"%s\"\n", socketPath);
  int fd;
  try {
    fd = os::unixConnect(socketPath, 0, false, timeoutMs);
  } catch (plat::TimedOut&) {
    throw JobError(StatusRetryJob,
                   "the session agent at %s accepted no connection within %d s",
                   socketPath, (int)HandOffTimeout);
  } catch (plat::SystemException& e) {
    if (e.err() != ECONNREFUSED && e.err() != ENOENT)
      throw;
    throw JobError(StatusRetryJob, "no session agent listening at %s (%s)",
                   socketPath, e.message());
  }
  Socket conn(fd);
  os::setBlocking(fd, false); // sending waits in select, up to the deadline
  uid_t peer = os::getPeerEuid(fd);
  if (peer != uid) {
    throw JobError(StatusFailed, "%s is served by uid %u, not by uid %u",
                   socketPath, (unsigned)peer, (unsigned)uid);
  }
  fprintf(stderr, "jex: socket connected successfully\n");

  size_t len = strlen(manifestPath);
  std::string message = {(char)(len >> 24), (char)(len >> 16), (char)(len >> 8),
                         (char)len};
  message.append(manifestPath, len);
  for (size_t sent = 0; sent < message.size();) {
    int64_t now = nowMs();
    if (now >= deadline || !rdr::waitForFd(fd, true, (int)(deadline - now))) {
      throw JobError(StatusRetryJob,
                     "the session agent at %s did not take the job within "
                     "%d s",
                     socketPath, (int)HandOffTimeout);
    }
    CancelBlock block;
    ssize_t n = write(fd, message.data() + sent, message.size() - sent);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
      continue;
    if (n < 0)
      throw plat::SystemExceptionFmt("write(%s)", errno, socketPath);
    sent += (size_t)n;
    if (sent == message.size())
      delivered();
  }
}
