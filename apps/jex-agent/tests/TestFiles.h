// File helpers shared by the tests: whole-file reads and writes, directory
// listings and a private temporary directory.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>

namespace jextest {

inline std::string readFile(const std::string& path)
{
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

inline std::string writeFile(const std::string& path, const std::string& data)
{
  std::ofstream(path, std::ios::binary) << data;
  return path;
}

inline bool exists(const std::string& path)
{
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// The names in dir that start with prefix, without "." and "..".
// readdir64: 32-bit readdir fails with EOVERFLOW on hosts with 64-bit
// directory offsets (an armhf build under an emulator).
inline std::set<std::string> listDir(const std::string& dir,
                                     const std::string& prefix = "")
{
  std::set<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (!d) {
    ADD_FAILURE() << "opendir " << dir << ": " << strerror(errno);
    return names;
  }
  errno = 0;
  while (dirent64* e = readdir64(d)) {
    std::string n = e->d_name;
    if (n != "." && n != ".." && n.compare(0, prefix.size(), prefix) == 0)
      names.insert(n);
  }
  if (errno)
    ADD_FAILURE() << "readdir " << dir << ": " << strerror(errno);
  closedir(d);
  return names;
}

// A private directory under /tmp, removed with everything in it.
class TempDir {
public:
  TempDir()
  {
    char tmpl[] = "/tmp/jex-test-XXXXXX";
    if (!mkdtemp(tmpl))
      abort();
    path = tmpl;
  }
  ~TempDir()
  {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string file(const std::string& name) const { return path + "/" + name; }

  std::string path;
};

} // namespace jextest
