// Socket and descriptor utilities: every socket, pipe and duplicated
// descriptor of the system is created through these, so that each one is
// close-on-exec from the start (atomically where the kernel allows it), and
// the process is set up once for socket use (SIGPIPE ignored, descriptor
// limit kept within what select can wait on).
//
// Process-wide state (whether the kernel accepts SOCK_CLOEXEC and
// F_DUPFD_CLOEXEC, the saved descriptor limits) only ever changes from
// "supported" to "unsupported"; a thread that reads a stale value still takes
// a correct fallback, so no lock guards it.
//
// Failures throw plat::SystemException with the system call's name and
// errno unless a function says otherwise.
#pragma once

#include <stddef.h>
#include <sys/types.h>

namespace os {

// Clears (inheritable true) or sets FD_CLOEXEC on fd. Returns false on
// failure with errno set; with closeOnFailure fd is then closed first (errno
// preserved). Never throws.
bool setInheritable(int fd, bool inheritable, bool closeOnFailure);

// As above, throwing "setInheritable" on failure. fd stays open.
void setInheritableOrThrow(int fd, bool inheritable);

// Sets the file status flags of fd to exactly 0 (blocking) or O_NONBLOCK:
// other status flags are replaced. Throws "setBlocking".
void setBlocking(int fd, bool blocking);

// The one-time process set-up, run by the first socket creation: ignores
// SIGPIPE when it has the default disposition (writes to a closed peer then
// fail with EPIPE) and lowers a soft RLIMIT_NOFILE above 1024 to 1024, since
// the event loop and the descriptor streams wait with select. Failures are
// logged on "SocketUtil", never thrown. Later calls do nothing. Thread-safe.
void socketSetup();

// socket() with the result close-on-exec. Returns the descriptor, or -1 with
// errno set. Never throws.
int createSocket(int domain, int type, int protocol);

// An AF_UNIX SOCK_STREAM pair, both ends close-on-exec, into fds[0..1]; the
// caller owns both. Throws "socketpair" or "setInheritable".
void createSocketPair(int fds[2]);

// A pipe, both ends close-on-exec: fds[0] reads, fds[1] writes; the caller
// owns both. Throws "pipe2", "pipe" or "setInheritable".
void createPipe(int fds[2]);

// A close-on-exec duplicate of fd, owned by the caller. Throws
// "fcntl(F_DUPFD_CLOEXEC)", "dup" or "setInheritable".
int dupDescriptor(int fd);

// Makes newfd a close-on-exec duplicate of oldfd (closing what newfd was) and
// returns newfd. Equal descriptors fail with EINVAL. Throws "dup2" or
// "setInheritable".
int dupDescriptorTo(int oldfd, int newfd);

// For a child between fork and exec: puts SIGPIPE back to its default
// disposition and, with restoreLimits, restores the RLIMIT_NOFILE limits the
// set-up found (when it saved them). Async-signal-safe; never throws.
void restoreForExec(bool restoreLimits);

// Connects a new Unix-domain socket to path and returns the descriptor,
// owned by the caller. type 0 is SOCK_STREAM, 1 SOCK_DGRAM. With nonBlocking
// the socket is non-blocking before connect. Blocks in connect otherwise.
// Throws "UnixIo" with ENAMETOOLONG for a path of 108 bytes or more (before
// any socket exists), "socket", "setBlocking" or "connect"; on failure no
// descriptor is left open.
// With timeoutMs >= 0 a blocking connect waits at most that long for room
// in a listener's full connection queue, then throws plat::TimedOut.
int unixConnect(const char* path, int type, bool nonBlocking,
                int timeoutMs = -1);

// The effective user id of the process at the other end of the Unix-domain
// socket fd (SO_PEERCRED). Throws "getPeerEuid".
uid_t getPeerEuid(int fd);

// Verifies that the peer of fd runs as uid. Throws "getPeerEuid" when the
// credentials cannot be read and plat::Exception
// "namedPipeCredCheck: uid mismatch" when they differ.
void namedPipeCredCheck(int fd, uid_t uid);

// Room for the longest peer name: "[unix:" + a full 108-byte sun_path with
// every byte escaped to three + "]" + NUL.
enum { UnixPeerNameSize = 6 + 3 * 108 + 1 + 1 };

// Writes "[unix:<path>]" for the peer address of fd into out, each
// "/"-separated component of the path escaped for display (letters, digits,
// bytes from 128 and  !$&'()*+,-.;=_~ kept, every other byte "%XX"). The
// text is empty when the address cannot be read, is unnamed or is not an
// absolute path. Returns out. Never throws.
const char* getUnixPeerName(int fd, char (&out)[UnixPeerNameSize]);

} // namespace os
