#include <os/PrivateDir.h>

#include <plat/Exception.h>
#include <plat/String.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

namespace {

plat::String faultText(UnsafePrivateDir::Fault fault, const char* path,
                       uid_t owner, mode_t mode, uid_t uid)
{
  switch (fault) {
  case UnsafePrivateDir::SymbolicLink:
    return plat::String::format("%s: is a symbolic link", path);
  case UnsafePrivateDir::NotDirectory:
    return plat::String::format("%s: not a directory", path);
  case UnsafePrivateDir::ForeignOwner:
    return plat::String::format("%s: owned by uid %u, not %u", path,
                                (unsigned)owner, (unsigned)uid);
  case UnsafePrivateDir::OpenMode: break;
  }
  return plat::String::format("%s: mode %04o lets group or others in", path,
                              (unsigned)(mode & 07777));
}

} // namespace

UnsafePrivateDir::UnsafePrivateDir(Fault fault, const char* path, uid_t owner,
                                   mode_t mode, uid_t uid)
    : plat::Exception(faultText(fault, path, owner, mode, uid).c_str()),
      fault(fault), owner(owner), mode(mode)
{
}

int openPrivateDir(const char* path, uid_t uid)
{
  // O_PATH: whatever is there is opened without being followed or read,
  // so that fstat can say what is wrong with it.
  int fd = open(path, O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0)
    throw plat::SystemExceptionFmt("open(\"%s\")", errno, path);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    int err = errno;
    close(fd);
    throw plat::SystemExceptionFmt("fstat(\"%s\")", err, path);
  }
  UnsafePrivateDir::Fault fault;
  if (!S_ISDIR(st.st_mode))
    fault = S_ISLNK(st.st_mode) ? UnsafePrivateDir::SymbolicLink
                                : UnsafePrivateDir::NotDirectory;
  else if (st.st_uid != uid)
    fault = UnsafePrivateDir::ForeignOwner;
  else if (st.st_mode & 077)
    fault = UnsafePrivateDir::OpenMode;
  else
    return fd;
  close(fd);
  throw UnsafePrivateDir(fault, path, st.st_uid, st.st_mode, uid);
}

int createPrivateFile(int dirFd, const char* dirPath, const char* name)
{
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int fd = openat(dirFd, name, flags, 0600);
  // Only the directory's owner can have put something here; whatever it
  // is, its name is taken over and its target left alone.
  if (fd < 0 && errno == EEXIST && unlinkat(dirFd, name, 0) == 0)
    fd = openat(dirFd, name, flags, 0600);
  if (fd < 0)
    throw plat::SystemExceptionFmt("create(\"%s/%s\")", errno, dirPath, name);
  return fd;
}

} // namespace os
