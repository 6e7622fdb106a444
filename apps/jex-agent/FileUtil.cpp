#include "FileUtil.h"

#include <plat/Exception.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace agent {

namespace {

// Calls f(chunk, len) for each chunk of fd's content.
template <class F> void readChunks(int fd, F f)
{
  char buf[65536];
  for (off_t at = 0;;) {
    ssize_t n = pread(fd, buf, sizeof(buf), at);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      throw plat::SystemException("read", errno);
    if (n == 0)
      return;
    f(buf, size_t(n));
    at += n;
  }
}

} // namespace

void FdGuard::reset(int fd)
{
  if (fd_ >= 0)
    close(fd_);
  fd_ = fd;
}

std::string readAll(int fd)
{
  std::string s;
  readChunks(fd, [&](const char* p, size_t n) { s.append(p, n); });
  return s;
}

std::vector<uint8_t> readAllBytes(int fd)
{
  std::vector<uint8_t> v;
  readChunks(fd, [&](const char* p, size_t n) { v.insert(v.end(), p, p + n); });
  return v;
}

int createFileAt(int dirFd, const std::string& name)
{
  int fd = openat(dirFd, name.c_str(),
                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0)
    throw plat::SystemExceptionFmt("create(%s)", errno, name.c_str());
  return fd;
}

void writeAll(int fd, const void* data, size_t len)
{
  const char* p = static_cast<const char*>(data);
  while (len) {
    ssize_t n = write(fd, p, len);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      throw plat::SystemException("write", errno);
    p += n;
    len -= size_t(n);
  }
}

void copyToNewFile(int from, int dirFd, const std::string& name)
{
  FdGuard to(createFileAt(dirFd, name));
  try {
    readChunks(from,
               [&](const char* p, size_t n) { writeAll(to.get(), p, n); });
    if (close(to.release()) != 0)
      throw plat::SystemException("close", errno);
  } catch (...) {
    unlinkat(dirFd, name.c_str(), 0);
    throw;
  }
}

} // namespace agent
