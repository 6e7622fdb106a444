#include <plat/file.h>

#include <plat/Exception.h>
#include <plat/LogSrc.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

StaticLogSrc vlog("FilePtr");

} // namespace

FilePtr::FilePtr(FILE* f, bool owns, bool logCloseFailure)
    : f_(f), owns_(owns), logCloseFailure_(logCloseFailure)
{
}

FilePtr::FilePtr(const char* path, int mode, int flags)
    : f_(nullptr), owns_(false), logCloseFailure_(true)
{
  open(path, mode, flags);
}

FilePtr::~FilePtr()
{
  try {
    reset();
  } catch (const Exception& e) {
    if (logCloseFailure_)
      vlog->error("%s", e.message());
  }
}

void FilePtr::reset(FILE* f, bool owns)
{
  FILE* old = f_;
  bool ownedOld = owns_;
  f_ = f;
  owns_ = owns;
  if (old && ownedOld && fclose(old) != 0)
    throw StdlibException("fclose");
}

FILE* FilePtr::release()
{
  FILE* f = f_;
  f_ = nullptr;
  owns_ = false;
  return f;
}

void FilePtr::open(const char* path, int mode, int flags)
{
  reset();

  if (path[0] == '-' && path[1] == '\0') {
    if (mode == ReadWrite)
      throw Exception("Invalid mode for stdin/stdout");
    reset(mode == Read ? stdin : stdout, false);
    return;
  }

  int oflags;
  const char* smode;
  if (mode == Read) {
    oflags = O_RDONLY;
    smode = "r";
  } else if (mode == Write) {
    if (flags & Append) {
      oflags = O_WRONLY | O_CREAT | O_APPEND;
      smode = "a";
    } else {
      oflags = O_WRONLY | O_CREAT | O_TRUNC;
      smode = "w";
    }
  } else if (flags & Truncate) {
    oflags = O_RDWR | O_CREAT | O_TRUNC;
    smode = "w+";
  } else {
    oflags = (flags & Create) ? O_RDWR | O_CREAT : O_RDWR;
    smode = "r+";
  }
  int perm = (flags & Private) ? 0600 : 0664;

  reset(fileOpen(path, oflags, smode, perm), true);
  if (!f_ && !(flags & NoThrow))
    throw SystemExceptionFmt("Error opening \"%s\"", errno, path);
}

int fileOpenFd(const char* path, int openFlags, int perm)
{
  return ::open(path, openFlags | O_CLOEXEC, perm);
}

FILE* fileOpen(const char* path, int openFlags, const char* stdioMode, int perm)
{
  int fd = fileOpenFd(path, openFlags, perm);
  if (fd < 0)
    return nullptr;
  FILE* f = fdopen(fd, stdioMode);
  if (!f) {
    int err = errno;
    close(fd);
    errno = err;
  }
  return f;
}

bool mkDir(const char* path, bool priv, bool fixExisting)
{
  if (mkdir(path, priv ? 0700 : 0777) == 0)
    return true;
  int err = errno;
  struct stat st;
  if (stat(path, &st) == 0 && S_ISDIR(st.st_mode)) {
    if (priv && fixExisting)
      fileMakePrivate(-1, path);
    return false;
  }
  throw SystemExceptionFmt("mkDir(%s)", err, path);
}

void fileMakePrivate(int fd, const char* path)
{
  struct stat st;
  uid_t euid = geteuid();
  if (fd != -1) {
    if (fstat(fd, &st) != 0)
      throw SystemException("fileMakePrivate/fstat", errno);
    if (st.st_uid != euid && fchown(fd, euid, gid_t(-1)) != 0)
      throw SystemException("fileMakePrivate/fchown", errno);
    if ((st.st_mode & 077) && fchmod(fd, st.st_mode & 07700) != 0)
      throw SystemException("fileMakePrivate/fchmod", errno);
  } else {
    if (stat(path, &st) != 0)
      throw SystemExceptionFmt("fileMakePrivate/stat(%s)", errno, path);
    if (st.st_uid != euid && chown(path, euid, gid_t(-1)) != 0)
      throw SystemExceptionFmt("fileMakePrivate/chown(%s)", errno, path);
    if ((st.st_mode & 077) && chmod(path, st.st_mode & 07700) != 0)
      throw SystemExceptionFmt("fileMakePrivate/chmod(%s)", errno, path);
  }
}

} // namespace plat
