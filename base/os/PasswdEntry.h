// An account record of the system's user database, looked up by uid or by
// name.
//
// The record's strings point into the entry's own buffer, which grows until
// the record fits. With the wipe flag set (for callers that treat account
// data as sensitive) the buffer is overwritten with zeros before it is
// released, shrunk or replaced. Not copyable.
#pragma once

#include <cstddef>
#include <pwd.h>
#include <sys/types.h>

namespace os {

class PasswdEntry {
public:
  explicit PasswdEntry(bool wipe = false);
  ~PasswdEntry();
  PasswdEntry(const PasswdEntry&) = delete;
  PasswdEntry& operator=(const PasswdEntry&) = delete;

  // Fill the record, replacing the previous one. Throw
  // plat::SystemException "getpwuid(<uid>)" / "getpwnam(<name>)" with the
  // reported error, or with ": account not found" when there is no such
  // account; a null name throws "getpwnam(<null>): null name" (EINVAL).
  // Block on the user database (which may be remote).
  void lookupByUid(uid_t uid);
  void lookupByName(const char* name);

  bool found() const { return found_; }
  // The record; its strings are valid until the next lookup or until the
  // entry is destroyed. Meaningful only when found().
  const struct passwd& pw() const { return pw_; }
  uid_t uid() const { return pw_.pw_uid; }
  gid_t gid() const { return pw_.pw_gid; }
  const char* name() const { return pw_.pw_name; }
  const char* dir() const { return pw_.pw_dir; }
  const char* shell() const { return pw_.pw_shell; }
  // Current buffer size in bytes (tests).
  size_t bufferSize() const { return size_; }

private:
  void prepare();
  void grow();
  // Runs a reentrant lookup (getpwuid_r-like, taking the record, buffer,
  // size and result) on a fresh record, growing the buffer while the C
  // library asks for more. Returns 0 when found, else the error (0 also
  // when there is no such account: then found() is false).
  template <class Lookup> int fill(Lookup lookup);
  void freeBuffer();

  struct passwd pw_;
  char* buf_;
  size_t size_;     // bytes offered to the C library
  size_t capacity_; // bytes allocated
  bool wipe_;
  bool found_;
};

} // namespace os
