// Files in a directory that belongs to one user alone.
//
// A program that writes for a user must not create files where others can
// plant links, FIFOs or squat names (/tmp itself). These helpers open such a
// private directory once, check it through the descriptor, and create files
// relative to that descriptor, so that a path swapped after the check
// cannot redirect them.
#pragma once

#include <plat/Exception.h>

#include <sys/types.h>

namespace os {

// A directory that is there but cannot be trusted. The message names the
// path and the fault in English; programs that speak to users in their
// language build their own from `fault`, `owner` and `mode`.
class UnsafePrivateDir : public plat::Exception {
public:
  enum Fault { SymbolicLink, NotDirectory, ForeignOwner, OpenMode };
  UnsafePrivateDir(Fault fault, const char* path, uid_t owner, mode_t mode,
                   uid_t uid);
  Fault fault;
  uid_t owner; // of what is there
  mode_t mode; // its type and permission bits
};

// Opens path (O_PATH|O_NOFOLLOW, close-on-exec: good for the *at calls and
// fstat, not for reading) and returns the descriptor, owned by the caller,
// once fstat shows a directory owned by uid without group or other
// permission bits. Throws plat::SystemExceptionFmt "open(\"<path>\")" when
// it cannot be opened (ENOENT when nothing is there), and UnsafePrivateDir
// for a symbolic link, another file type, another owner or a mode that
// lets others in.
int openPrivateDir(const char* path, uid_t uid);

// Creates name inside dirFd, write-only, mode 0600, with
// O_CREAT|O_EXCL|O_NOFOLLOW|O_CLOEXEC, and returns the descriptor. An entry
// already there (a leftover, a link, a FIFO) is unlinked and the file
// created again, once; what it pointed to is never opened. dirPath only
// names the directory in messages. Throws plat::SystemExceptionFmt
// "create(\"<dirPath>/<name>\")".
int createPrivateFile(int dirFd, const char* dirPath, const char* name);

} // namespace os
