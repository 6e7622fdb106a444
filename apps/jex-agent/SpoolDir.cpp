#include "SpoolDir.h"

#include <loc/Localize.h>
#include <os/AppInfo.h>
#include <os/PrivateDir.h>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace agent {

namespace {

std::string userName(uid_t uid)
{
  passwd pw, *found = nullptr;
  char buf[4096];
  if (getpwuid_r(uid, &pw, buf, sizeof(buf), &found) == 0 && found)
    return found->pw_name;
  return "?";
}

[[noreturn]] void unsafe(const std::string& path, const char* problemId,
                         uid_t owner, mode_t mode)
{
  char modeText[16];
  snprintf(modeText, sizeof(modeText), "%04o", unsigned(mode & 07777));
  std::string ownerText = std::to_string(owner) + " (" + userName(owner) + ")";
  plat::String problem = loc::Localize::format(problemId, {modeText});
  throw UnsafeDir(
      loc::Localize::format("agent_dir_unsafe",
                            {path.c_str(), problem.c_str(), ownerText.c_str()})
          .c_str());
}

} // namespace

std::string SpoolDir::userPath(uid_t uid)
{
  os::AppInfo::set("print", "Tessaro", "jex", nullptr, nullptr);
  return os::AppInfo::userTmpDir(std::to_string(uid).c_str()).c_str();
}

SpoolDir::SpoolDir(const std::string& path, uid_t uid)
    : path_(path), uid_(uid), fd_(-1)
{
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
    throw plat::SystemExceptionFmt("mkdir(%s)", errno, path.c_str());
  try {
    fd_ = os::openPrivateDir(path.c_str(), uid);
  } catch (os::UnsafePrivateDir& e) {
    static const char* const problems[] = {
        "agent_dir_is_link", "agent_dir_not_dir", "agent_dir_foreign",
        "agent_dir_open"};
    unsafe(path, problems[e.fault], e.owner, e.mode);
  }
}

SpoolDir::~SpoolDir()
{
  close(fd_);
}

std::string SpoolDir::entryName(const std::string& absPath) const
{
  if (absPath.size() <= path_.size() + 1 ||
      absPath.compare(0, path_.size(), path_) != 0 ||
      absPath[path_.size()] != '/')
    return std::string();
  std::string name = absPath.substr(path_.size() + 1);
  // A zero byte would end the name early for the system calls.
  if (name.find_first_of(std::string("/\0", 2)) != std::string::npos ||
      name == "." || name == "..")
    return std::string();
  return name;
}

int SpoolDir::openOwnFile(const std::string& name, off_t maxSize,
                          struct stat* stOut) const
{
  // O_NONBLOCK: a FIFO planted under the name must not hang the open.
  int fd = openat(fd_, name.c_str(),
                  O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    int err = errno;
    if (err == ELOOP)
      throw plat::ExceptionFmt("%s is a symbolic link", name.c_str());
    throw plat::SystemExceptionFmt("open(%s)", err, name.c_str());
  }
  struct stat st;
  const char* problem = nullptr;
  if (fstat(fd, &st) != 0)
    problem = "cannot be examined";
  else if (!S_ISREG(st.st_mode))
    problem = "is not a regular file";
  else if (st.st_uid != uid_)
    problem = "is owned by another user";
  else if (maxSize >= 0 && st.st_size > maxSize)
    problem = "is too large";
  if (problem) {
    close(fd);
    throw plat::ExceptionFmt("%s %s", name.c_str(), problem);
  }
  if (stOut)
    *stOut = st;
  return fd;
}

void SpoolDir::remove(const std::string& name) const
{
  unlinkat(fd_, name.c_str(), 0);
}

std::vector<std::string> SpoolDir::entries() const
{
  std::vector<std::string> names;
  int fd = openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return names;
  DIR* d = fdopendir(fd);
  if (!d) {
    close(fd);
    return names;
  }
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..")
      names.push_back(n);
  }
  closedir(d);
  return names;
}

} // namespace agent
