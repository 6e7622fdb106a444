// File utilities: an owning stdio handle and file calls whose failures
// become exceptions naming the operation and the path.
//
// Every descriptor opened here is close-on-exec, so child processes never
// inherit one.
#pragma once

#include <cstdio>

namespace plat {

// An owning FILE handle. Not copyable.
class FilePtr {
public:
  enum Mode { Read = 0, Write = 1, ReadWrite = 2 };
  enum Flags {
    Append = 1 << 0,   // Write: append instead of truncating
    Create = 1 << 1,   // ReadWrite: create when missing
    Truncate = 1 << 2, // ReadWrite: create and truncate
    Private = 1 << 4,  // create with permissions 0600 instead of 0664
    NoThrow = 1 << 5,  // a failed open leaves the handle empty
  };

  // Takes f; closes it when done if owns is set. A failing close in the
  // destructor is logged when logCloseFailure is set, never thrown.
  explicit FilePtr(FILE* f = nullptr, bool owns = true,
                   bool logCloseFailure = true);
  // As open(path, mode, flags) on an empty handle.
  FilePtr(const char* path, int mode, int flags = 0);
  ~FilePtr();
  FilePtr(const FilePtr&) = delete;
  FilePtr& operator=(const FilePtr&) = delete;

  // Closes the held FILE when owned, then takes f. If that close fails, f
  // is still taken and plat::StdlibException "fclose" is thrown.
  void reset(FILE* f = nullptr, bool owns = true);

  // Releases what is held (as reset()), then opens path in mode (Mode)
  // with flags (Flags): Read "r"; Write "w", or "a" with Append; ReadWrite
  // "w+" with Truncate, else "r+" (creating the file with Create). The path
  // "-" stands for stdin (Read) or stdout (Write), not owned; ReadWrite on
  // "-" throws plat::Exception "Invalid mode for stdin/stdout". A failed
  // open throws plat::SystemExceptionFmt "Error opening \"<path>\"" unless
  // NoThrow is given.
  void open(const char* path, int mode, int flags = 0);

  FILE* get() const { return f_; }
  FILE* operator->() const { return f_; }
  explicit operator bool() const { return f_ != nullptr; }
  bool owns() const { return owns_; }
  // Gives up the FILE without closing it.
  FILE* release();

private:
  FILE* f_;
  bool owns_;
  bool logCloseFailure_;
};

// open(path, openFlags | O_CLOEXEC, perm) and, on success, fdopen with
// stdioMode. Returns the FILE or null with errno set; never throws.
FILE* fileOpen(const char* path, int openFlags, const char* stdioMode,
               int perm);

// open(path, openFlags | O_CLOEXEC, perm): the descriptor or -1 with errno
// set; never throws.
int fileOpenFd(const char* path, int openFlags, int perm);

// Creates the directory path (mode 0700 when priv is set, else 0777, both
// under the process mask). Returns true when it was created, false when a
// directory already exists there; that one is made private (as
// fileMakePrivate) when both priv and fixExisting are set. Throws
// plat::SystemExceptionFmt "mkDir(<path>)" on any other failure.
bool mkDir(const char* path, bool priv, bool fixExisting = true);

// Makes a file owned by the effective uid (group unchanged) and strips its
// group and other permission bits. Works on fd, or on path when fd is -1.
// Throws plat::SystemException / SystemExceptionFmt naming the failing step.
void fileMakePrivate(int fd, const char* path);

} // namespace plat
