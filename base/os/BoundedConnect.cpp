#include <os/BoundedConnect.h>

#include <os/SocketUtil.h>
#include <plat/Exception.h>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace os {

int unixConnectWithin(const char* path, int timeoutMs)
{
  struct sockaddr_un addr;
  memset(&addr, 0, sizeof(addr));
  addr.sun_family = AF_UNIX;
  size_t len = strlen(path);
  if (len >= sizeof(addr.sun_path))
    throw plat::SystemException("UnixIo", ENAMETOOLONG);
  memcpy(addr.sun_path, path, len);

  int fd = createSocket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0)
    throw plat::SystemException("socket", errno);
  // A non-blocking connect to a full queue fails at once with EAGAIN and
  // cannot be waited for; a blocking one waits for room as long as the
  // send time-out allows, and then fails with EAGAIN.
  struct timeval tv;
  tv.tv_sec = timeoutMs / 1000;
  tv.tv_usec = (timeoutMs % 1000) * 1000;
  int r = setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
  if (r == 0) {
    do {
      r = connect(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof(addr));
    } while (r < 0 && errno == EINTR);
  }
  if (r < 0) {
    int err = errno;
    close(fd);
    if (err == EAGAIN)
      throw plat::TimedOut();
    throw plat::SystemException("connect", err);
  }
  try {
    setBlocking(fd, false);
  } catch (...) {
    close(fd);
    throw;
  }
  return fd;
}

} // namespace os
