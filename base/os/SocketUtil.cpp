#include <os/SocketUtil.h>

#include <plat/DynamicFn.h>
#include <plat/Exception.h>
#include <plat/LogSrc.h>

#include <algorithm>
#include <atomic>
#include <errno.h>
#include <fcntl.h>
#include <mutex>
#include <signal.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace os {

namespace {

// Cleared the first time the kernel refuses the flag; never set again.
std::atomic<bool> cloexecCreateSupported{true};
std::atomic<bool> dupfdCloexecSupported{true};

// Written once under the set-up's once_flag, before savedLimitsValid is
// published; restoreForExec only reads them.
struct rlimit savedLimits;
std::atomic<bool> savedLimitsValid{false};
std::once_flag setupOnce;

plat::StaticLogSrc vlog("SocketUtil");

void logSetupFailure(const char* what, int err)
{
  vlog->error("%s", plat::SystemException(what, err).message());
}

void doSocketSetup()
{
  struct sigaction old;
  if (sigaction(SIGPIPE, nullptr, &old) == 0 && old.sa_handler == SIG_DFL &&
      !(old.sa_flags & SA_SIGINFO)) {
    struct sigaction ign;
    memset(&ign, 0, sizeof(ign));
    ign.sa_handler = SIG_IGN;
    sigemptyset(&ign.sa_mask);
    sigaction(SIGPIPE, &ign, nullptr);
  }

  struct rlimit lim;
  if (getrlimit(RLIMIT_NOFILE, &lim) != 0) {
    logSetupFailure("getrlimit(RLIMIT_NOFILE)", errno);
    return;
  }
  savedLimits = lim;
  savedLimitsValid.store(true);
  if (lim.rlim_cur > 1024) {
    lim.rlim_cur = 1024;
    if (setrlimit(RLIMIT_NOFILE, &lim) != 0)
      logSetupFailure("setrlimit(RLIMIT_NOFILE)", errno);
  }
}

// Marks a descriptor created without an atomic close-on-exec flag. Closes it
// and returns -1 (errno kept) when that fails.
int finishCloexec(int fd)
{
  if (fd >= 0 && !setInheritable(fd, false, true))
    return -1;
  return fd;
}

// The same for both ends of a new pair or pipe: a failure closes both and
// throws "setInheritable".
void finishCloexecPair(int fds[2])
{
  if (!setInheritable(fds[0], false, true)) {
    int err = errno;
    close(fds[1]);
    throw plat::SystemException("setInheritable", err);
  }
  if (!setInheritable(fds[1], false, true)) {
    int err = errno;
    close(fds[0]);
    throw plat::SystemException("setInheritable", err);
  }
}

// Calls create(SOCK_CLOEXEC) while the kernel takes the flag, otherwise
// create(0), and tells through *atomic which it was. Kernels that do not
// know the flag refuse it with EINVAL or EPROTONOSUPPORT; after the first
// such refusal the flag is not tried again. Returns create's result with
// its errno.
template <class Create> int createWithCloexec(Create create, bool* atomic)
{
  if (cloexecCreateSupported.load(std::memory_order_relaxed)) {
    int r = create(SOCK_CLOEXEC);
    if (r >= 0 || (errno != EINVAL && errno != EPROTONOSUPPORT)) {
      *atomic = true;
      return r;
    }
    cloexecCreateSupported.store(false, std::memory_order_relaxed);
  }
  *atomic = false;
  return create(0);
}

bool keepsInEndpoint(unsigned char c)
{
  if (c >= 128 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
      (c >= '0' && c <= '9'))
    return true;
  return strchr(" !$&'()*+,-.;=_~", c) != nullptr && c != 0;
}

} // namespace

bool setInheritable(int fd, bool inheritable, bool closeOnFailure)
{
  int flags = fcntl(fd, F_GETFD);
  if (flags >= 0) {
    flags = inheritable ? (flags & ~FD_CLOEXEC) : (flags | FD_CLOEXEC);
    if (fcntl(fd, F_SETFD, flags) == 0)
      return true;
  }
  if (closeOnFailure) {
    int err = errno;
    close(fd);
    errno = err;
  }
  return false;
}

void setInheritableOrThrow(int fd, bool inheritable)
{
  if (!setInheritable(fd, inheritable, false))
    throw plat::SystemException("setInheritable", errno);
}

void setBlocking(int fd, bool blocking)
{
  if (fcntl(fd, F_SETFL, blocking ? 0 : O_NONBLOCK) < 0)
    throw plat::SystemException("setBlocking", errno);
}

void socketSetup()
{
  std::call_once(setupOnce, doSocketSetup);
}

int createSocket(int domain, int type, int protocol)
{
  socketSetup();
  bool atomic;
  int fd = createWithCloexec(
      [&](int flag) { return socket(domain, type | flag, protocol); }, &atomic);
  return atomic ? fd : finishCloexec(fd);
}

void createSocketPair(int fds[2])
{
  socketSetup();
  bool atomic;
  if (createWithCloexec(
          [&](int flag) {
            return socketpair(AF_UNIX, SOCK_STREAM | flag, 0, fds);
          },
          &atomic) != 0)
    throw plat::SystemException("socketpair", errno);
  if (!atomic)
    finishCloexecPair(fds);
}

void createPipe(int fds[2])
{
  // Looked up at run time so that a C library without pipe2 still works,
  // through the non-atomic fallback below.
  typedef int (*Pipe2Fn)(int*, int);
  static const plat::DynamicFn pipe2Fn("c[6]", "pipe2");
  if (Pipe2Fn fn = pipe2Fn.as<Pipe2Fn>()) {
    if (fn(fds, O_CLOEXEC) == 0)
      return;
    if (errno != ENOSYS)
      throw plat::SystemException("pipe2", errno);
  }
  if (pipe(fds) != 0)
    throw plat::SystemException("pipe", errno);
  finishCloexecPair(fds);
}

int dupDescriptor(int fd)
{
  if (dupfdCloexecSupported.load(std::memory_order_relaxed)) {
    int nfd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (nfd >= 0)
      return nfd;
    if (errno != EINVAL && errno != EBADF)
      throw plat::SystemException("fcntl(F_DUPFD_CLOEXEC)", errno);
    dupfdCloexecSupported.store(false, std::memory_order_relaxed);
  }
  int nfd = dup(fd);
  if (nfd < 0)
    throw plat::SystemException("dup", errno);
  if (!setInheritable(nfd, false, true))
    throw plat::SystemException("setInheritable", errno);
  return nfd;
}

int dupDescriptorTo(int oldfd, int newfd)
{
  // dup2 accepts equal descriptors and would leave newfd inheritable.
  if (oldfd == newfd)
    throw plat::SystemException("dup2", EINVAL);
  int r;
  do {
    r = dup3(oldfd, newfd, O_CLOEXEC);
  } while (r < 0 && errno == EINTR);
  if (r >= 0)
    return r;
  if (errno != ENOSYS)
    throw plat::SystemException("dup2", errno);
  do {
    r = dup2(oldfd, newfd);
  } while (r < 0 && errno == EINTR);
  if (r < 0)
    throw plat::SystemException("dup2", errno);
  if (!setInheritable(r, false, true))
    throw plat::SystemException("setInheritable", errno);
  return r;
}

void restoreForExec(bool restoreLimits)
{
  signal(SIGPIPE, SIG_DFL);
  if (restoreLimits && savedLimitsValid.load())
    setrlimit(RLIMIT_NOFILE, &savedLimits);
}

int unixConnect(const char* path, int type, bool nonBlocking, int timeoutMs)
{
  struct sockaddr_un addr;
  memset(&addr, 0, sizeof(addr));
  addr.sun_family = AF_UNIX;
  size_t len = strlen(path);
  if (len >= sizeof(addr.sun_path))
    throw plat::SystemException("UnixIo", ENAMETOOLONG);
  memcpy(addr.sun_path, path, len);

  int fd = createSocket(AF_UNIX, type + 1, 0);
  if (fd < 0)
    throw plat::SystemException("socket", errno);
  try {
    if (nonBlocking)
      setBlocking(fd, false);
  } catch (...) {
    close(fd);
    throw;
  }
  // A non-blocking connect to a full queue fails at once with EAGAIN and
  // cannot be waited for; a blocking one waits for room as long as the send
  // time-out allows, and then fails with EAGAIN.
  if (timeoutMs >= 0) {
    struct timeval tv = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv)) != 0) {
      int err = errno;
      close(fd);
      throw plat::SystemException("setsockopt(SO_SNDTIMEO)", err);
    }
  }
  int r;
  do {
    r = connect(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof(addr));
  } while (r < 0 && errno == EINTR);
  if (r < 0) {
    int err = errno;
    close(fd);
    if (err == EAGAIN && timeoutMs >= 0)
      throw plat::TimedOut();
    throw plat::SystemException("connect", err);
  }
  return fd;
}

uid_t getPeerEuid(int fd)
{
  struct ucred cred;
  socklen_t len = sizeof(cred);
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
    throw plat::SystemException("getPeerEuid", errno);
  if (len != sizeof(cred))
    throw plat::SystemException("getPeerEuid", EINVAL);
  return cred.uid;
}

void namedPipeCredCheck(int fd, uid_t uid)
{
  if (getPeerEuid(fd) != uid)
    throw plat::Exception("namedPipeCredCheck: uid mismatch");
}

const char* getUnixPeerName(int fd, char (&out)[UnixPeerNameSize])
{
  out[0] = '\0';
  struct sockaddr_un addr;
  memset(&addr, 0, sizeof(addr));
  socklen_t alen = sizeof(addr);
  if (getpeername(fd, reinterpret_cast<struct sockaddr*>(&addr), &alen) != 0)
    return out;
  size_t off = offsetof(struct sockaddr_un, sun_path);
  if (addr.sun_family != AF_UNIX || alen <= off)
    return out;
  size_t pathLen = strnlen(addr.sun_path,
                           std::min<size_t>(alen - off, sizeof(addr.sun_path)));
  if (pathLen == 0 || addr.sun_path[0] != '/')
    return out;

  char* p = out;
  memcpy(p, "[unix:", 6);
  p += 6;
  // The separators stay as they are; every component byte is escaped alone,
  // which is the same as escaping the components and joining them with "/".
  for (size_t i = 0; i < pathLen; i++) {
    unsigned char c = static_cast<unsigned char>(addr.sun_path[i]);
    if (c == '/' || keepsInEndpoint(c)) {
      *p++ = static_cast<char>(c);
    } else {
      snprintf(p, 4, "%%%.2X", c);
      p += 3;
    }
  }
  *p++ = ']';
  *p = '\0';
  return out;
}

} // namespace os
