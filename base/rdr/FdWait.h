// Waiting for a descriptor to become readable or writable, shared by the
// descriptor streams.
#pragma once

namespace rdr {

// Waits with select until fd is readable (or writable, with forWrite) for at
// most timeoutMs milliseconds (-1: without limit). Returns false when the
// time ran out. An interrupted wait resumes with the time left on the
// monotonic clock. Throws plat::SystemException "select": with EMFILE for a
// descriptor select cannot watch (1024 or more), or with the error of a
// failed select. Blocks.
bool waitForFd(int fd, bool forWrite, int timeoutMs);

} // namespace rdr
