// os::UnixIo is the connection over a Unix-domain socket: it connects to a
// socket path (or adopts an accepted descriptor), owns the descriptor and
// offers it through the streams of its io::FdIo base. A Unix-domain socket
// counts as a secure transport ("secureTransport" property).
//
// It lives in the io library, since it derives from io::FdIo, but belongs
// to the os namespace with the socket utilities it is built on.
#pragma once

#include <io/FdIo.h>
#include <plat/String.h>

#include <sys/types.h>

namespace os {

class UnixIo : public io::FdIo {
public:
  // With fd < 0 connects to path (type 0 stream, 1 datagram; blocks in
  // connect); otherwise adopts fd, accepted from a listener at path (path
  // may then be null). Either way the object owns the descriptor, which is
  // made non-blocking; the streams have their default sizes. The name is
  // "<unix-client-PATH-uid-UID>" or "<unix-server-...>", with "anon" for a
  // missing path and without "-uid-UID" when the peer's credentials cannot
  // be read. Throws the errors of os::unixConnect and "setBlocking"; on
  // failure the descriptor, also an adopted one, is closed.
  UnixIo(const char* path, int fd, int type = 0);
  ~UnixIo() override;

  // "[unix:PATH]" with the peer's escaped socket path, or "" when it has no
  // absolute path; computed once. Never throws.
  const char* getPeerName() override;

  // The peer's effective user id; throws "getPeerEuid".
  uid_t getPeerEuid() const;
  // Throws unless the peer runs as uid (see os::namedPipeCredCheck).
  void namedPipeCredCheck(uid_t uid) const;

private:
  plat::String peerName_;
};

} // namespace os
