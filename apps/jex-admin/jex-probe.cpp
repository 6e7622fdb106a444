// jex-probe SOCKET: connects to a session agent's socket and prints the uid
// the listener runs as, so that jex-doctor can tell a live agent of the
// right user from a stale socket file or another user's listener.
//
// Exit status 0 with the uid on stdout; 1 when nothing accepts the
// connection (the reason on stderr); 2 for a usage error. The connection is
// closed without sending anything: the agent sees a client that left.

#include <os/SocketUtil.h>
#include <plat/Exception.h>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
  if (argc != 2) {
    fprintf(stderr, "usage: jex-probe SOCKET\n");
    return 2;
  }
  try {
    // Non-blocking: an agent whose connection queue is full must not hang
    // the caller (a Unix-domain connect then fails with EAGAIN).
    int fd = os::unixConnect(argv[1], 0, true);
    uid_t uid;
    try {
      uid = os::getPeerEuid(fd);
    } catch (...) {
      close(fd);
      throw;
    }
    close(fd);
    printf("%u\n", (unsigned)uid);
    return 0;
  } catch (plat::Exception& e) {
    fprintf(stderr, "jex-probe: %s: %s\n", argv[1], e.message());
    return 1;
  }
}
