#include <os/PasswdEntry.h>

#include <plat/Exception.h>
#include <plat/MBuf.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace os {

namespace {

enum : size_t { InitialSize = 1024 };

// The lookup's message before the error suffix.
class LookupFailed : public plat::SystemException {
public:
  LookupFailed(const char* call, const char* arg, int err, const char* why)
      : SystemException(err)
  {
    appendFormat("%s(%s)", call, arg);
    if (why) {
      append(why);
      char type[TypeNameSize];
      snprintf(type, sizeof(type), "System-%d", err);
      setTypeName(type);
    } else {
      addErrorSuffix();
    }
  }
};

} // namespace

PasswdEntry::PasswdEntry(bool wipe)
    : buf_(nullptr), size_(0), capacity_(0), wipe_(wipe), found_(false)
{
  memset(&pw_, 0, sizeof(pw_));
}

PasswdEntry::~PasswdEntry()
{
  freeBuffer();
}

void PasswdEntry::freeBuffer()
{
  if (buf_ && wipe_)
    plat::wipe(buf_, capacity_);
  free(buf_);
  buf_ = nullptr;
  size_ = capacity_ = 0;
}

void PasswdEntry::prepare()
{
  // A buffer grown once or not at all is reused; a larger one is given
  // back, since most records fit the initial size.
  if (buf_ && capacity_ >= InitialSize && capacity_ <= 2 * InitialSize + 1) {
    if (wipe_)
      plat::wipe(buf_ + InitialSize, capacity_ - InitialSize);
  } else {
    freeBuffer();
    buf_ = static_cast<char*>(malloc(InitialSize));
    if (!buf_)
      throw std::bad_alloc();
    capacity_ = InitialSize;
  }
  size_ = InitialSize;
  memset(&pw_, 0, sizeof(pw_));
  found_ = false;
}

void PasswdEntry::grow()
{
  size_t newSize = size_ * 2;
  char* fresh = static_cast<char*>(malloc(newSize));
  if (!fresh)
    throw std::bad_alloc();
  freeBuffer();
  buf_ = fresh;
  size_ = capacity_ = newSize;
}

template <class Lookup> int PasswdEntry::fill(Lookup lookup)
{
  prepare();
  for (;;) {
    struct passwd* result = nullptr;
    int err = lookup(&pw_, buf_, size_, &result);
    if (result) {
      found_ = true;
      return 0;
    }
    if (err != ERANGE)
      return err;
    grow();
  }
}

void PasswdEntry::lookupByUid(uid_t uid)
{
  int err = fill(
      [uid](struct passwd* pw, char* buf, size_t size, struct passwd** result) {
        return getpwuid_r(uid, pw, buf, size, result);
      });
  if (found_)
    return;
  char text[16];
  snprintf(text, sizeof(text), "%u", unsigned(uid));
  throw LookupFailed("getpwuid", text, err,
                     err ? nullptr : ": account not found");
}

void PasswdEntry::lookupByName(const char* name)
{
  if (!name)
    throw LookupFailed("getpwnam", "<null>", EINVAL, ": null name");
  int err = fill([name](struct passwd* pw, char* buf, size_t size,
                        struct passwd** result) {
    return getpwnam_r(name, pw, buf, size, result);
  });
  if (found_)
    return;
  throw LookupFailed("getpwnam", name, err,
                     err ? nullptr : ": account not found");
}

} // namespace os
