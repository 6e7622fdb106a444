// Connecting to a Unix-domain socket without waiting for ever.
#pragma once

namespace os {

// Connects a new stream socket to path, waiting at most timeoutMs for room
// in a listener's full connection queue, and returns the descriptor
// (close-on-exec, non-blocking, owned by the caller). Throws
// plat::TimedOut when the time runs out and the errors of
// os::unixConnect otherwise ("UnixIo", "socket", "connect" with
// ECONNREFUSED or ENOENT when nobody listens); no descriptor is left open.
int unixConnectWithin(const char* path, int timeoutMs);

} // namespace os
