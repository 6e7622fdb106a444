#include <os/PrivateDir.h>

#include <plat/Exception.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

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
  if (!S_ISDIR(st.st_mode)) {
    close(fd);
    throw plat::ExceptionFmt("%s: %s", path,
                             S_ISLNK(st.st_mode) ? "is a symbolic link"
                                                 : "not a directory");
  }
  if (st.st_uid != uid || (st.st_mode & 077) != 0) {
    close(fd);
    if (st.st_uid != uid) {
      throw plat::ExceptionFmt("%s: owned by uid %u, not %u", path,
                               (unsigned)st.st_uid, (unsigned)uid);
    }
    throw plat::ExceptionFmt("%s: mode %04o lets group or others in", path,
                             (unsigned)(st.st_mode & 07777));
  }
  return fd;
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
