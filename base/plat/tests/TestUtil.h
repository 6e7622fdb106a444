// Helpers the tests of every module share: the message of an expected
// exception, whole files, a descriptor guard and a private temporary
// directory (both cleaned up by their destructors).
#pragma once

#include <plat/Exception.h>

#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>
#include <unistd.h>

namespace testutil {

// Runs f, which should throw E; its message, or "<nothing thrown>".
template <class E = plat::Exception, class F> std::string thrownMessage(F f)
{
  try {
    f();
  } catch (const E& e) {
    return e.message();
  }
  return "<nothing thrown>";
}

inline std::string readFile(const std::string& path)
{
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

class FdGuard {
public:
  explicit FdGuard(int fd = -1) : fd_(fd) {}
  ~FdGuard() { reset(-1); }
  FdGuard(const FdGuard&) = delete;
  FdGuard& operator=(const FdGuard&) = delete;
  int get() const { return fd_; }
  void reset(int fd)
  {
    if (fd_ >= 0)
      close(fd_);
    fd_ = fd;
  }

private:
  int fd_;
};

// A private directory under /tmp, removed with everything in it.
class TempDir {
public:
  TempDir()
  {
    char tmpl[] = "/tmp/jex-test-XXXXXX";
    if (mkdtemp(tmpl))
      path_ = tmpl;
  }
  ~TempDir()
  {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

} // namespace testutil
