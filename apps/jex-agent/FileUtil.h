// Small descriptor helpers of the agent. Reads use pread from offset 0, so
// a spool file can be read again (to keep a failed job) whatever was read
// of it before.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace agent {

// Owns a descriptor and closes it.
class FdGuard {
public:
  explicit FdGuard(int fd = -1) : fd_(fd) {}
  ~FdGuard() { reset(); }
  FdGuard(const FdGuard&) = delete;
  FdGuard& operator=(const FdGuard&) = delete;
  int get() const { return fd_; }
  int release()
  {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd = -1);

private:
  int fd_;
};

// The whole content of fd. Throws plat::SystemException "read".
std::string readAll(int fd);
std::vector<uint8_t> readAllBytes(int fd);

// Creates name in directory dirFd (O_EXCL, O_NOFOLLOW, close-on-exec, mode
// 0666 under the process mask) and returns the descriptor. Throws
// plat::SystemExceptionFmt "create(<name>)".
int createFileAt(int dirFd, const std::string& name);

// Writes all of data. Throws plat::SystemException "write".
void writeAll(int fd, const void* data, size_t len);

// Copies the whole content of `from` into a new file name in dirFd. Throws
// as createFileAt, readAll and writeAll; a partial copy is removed.
void copyToNewFile(int from, int dirFd, const std::string& name);

} // namespace agent
