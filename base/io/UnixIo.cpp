#include <io/UnixIo.h>

#include <os/SocketUtil.h>
#include <plat/Exception.h>

#include <unistd.h>

namespace os {

namespace {

// Connects when there is nothing to adopt, so that the base is built from a
// descriptor in every case.
int connectOrAdopt(const char* path, int fd, int type)
{
  if (fd >= 0)
    return fd;
  return unixConnect(path, type, false);
}

} // namespace

UnixIo::UnixIo(const char* path, int fd, int type)
    : io::FdIo(connectOrAdopt(path, fd, type), true)
{
  // From here on the base owns the descriptor and closes it if the rest
  // throws.
  addProperty("secureTransport");
  plat::String name =
      plat::String::format("<unix-%s-%s", fd < 0 ? "client" : "server",
                           path && path[0] ? path : "anon");
  try {
    uid_t uid = os::getPeerEuid(getFd());
    name = plat::String::format("%s-uid-%u", name.c_str(), unsigned(uid));
  } catch (const plat::SystemException&) {
    // Not a socket with credentials (a pipe in tests, say): no uid part.
  }
  setName(plat::String::format("%s>", name.c_str()).c_str());
}

UnixIo::~UnixIo() {}

const char* UnixIo::getPeerName()
{
  if (peerName_.isNull()) {
    char buf[UnixPeerNameSize];
    peerName_ = getUnixPeerName(getFd(), buf);
  }
  return peerName_.c_str();
}

uid_t UnixIo::getPeerEuid() const
{
  return os::getPeerEuid(getFd());
}

void UnixIo::namedPipeCredCheck(uid_t uid) const
{
  os::namedPipeCredCheck(getFd(), uid);
}

} // namespace os
