#include <plat/ConfigFile.h>

#include <plat/Configuration.h>
#include <plat/Exception.h>
#include <plat/file.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

const size_t MaxFileSize = 1 << 20;

std::string trim(const std::string& s)
{
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos)
    return std::string();
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// The whole file, read through a descriptor checked before the first byte
// is trusted: the checks apply to the file actually read, not to whatever
// the name points to a moment later.
bool readTrusted(const char* path, uid_t owner, std::string& text)
{
  int fd = fileOpenFd(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK, 0);
  if (fd < 0) {
    if (errno == ENOENT)
      return false;
    if (errno == ELOOP)
      throw Exception(Exception::fmt, "%s: not a regular file", path);
    throw SystemExceptionFmt("open(%s)", errno, path);
  }
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};

  struct stat st;
  if (fstat(fd, &st) != 0)
    throw SystemExceptionFmt("fstat(%s)", errno, path);
  if (!S_ISREG(st.st_mode))
    throw Exception(Exception::fmt, "%s: not a regular file", path);
  if (st.st_uid != owner && st.st_uid != 0)
    throw Exception(Exception::fmt, "%s: owned by uid %lu", path,
                    (unsigned long)st.st_uid);
  if (st.st_mode & (S_IWGRP | S_IWOTH))
    throw Exception(Exception::fmt, "%s: writable by group or others", path);

  char buf[4096];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof(buf));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      throw SystemExceptionFmt("read(%s)", errno, path);
    if (n == 0)
      break;
    text.append(buf, (size_t)n);
    if (text.size() > MaxFileSize)
      throw Exception(Exception::fmt, "%s: larger than %lu bytes", path,
                      (unsigned long)MaxFileSize);
  }
  return true;
}

} // namespace

bool applyConfigFile(const char* path, uid_t owner, int priority,
                     Configuration& conf)
{
  std::string text;
  if (!readTrusted(path, owner, text))
    return false;

  size_t pos = 0;
  for (int lineNo = 1; pos < text.size(); lineNo++) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos)
      end = text.size();
    std::string line = trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == '#')
      continue;
    if (line.size() > 4095)
      throw Exception(Exception::fmt, "%s:%d: line too long", path, lineNo);
    size_t eq = line.find('=');
    std::string name = eq == std::string::npos ? "" : trim(line.substr(0, eq));
    if (name.empty())
      throw Exception(Exception::fmt, "%s:%d: expected Name=value", path,
                      lineNo);
    std::string value = trim(line.substr(eq + 1));
    if (!conf.find(name.c_str()))
      throw Exception(Exception::fmt, "%s:%d: unknown setting \"%s\"", path,
                      lineNo, name.c_str());
    if (!conf.set(name.c_str(), value.c_str(), priority))
      throw Exception(Exception::fmt, "%s:%d: bad value for %s", path, lineNo,
                      name.c_str());
  }
  return true;
}

} // namespace plat
