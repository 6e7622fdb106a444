// Files in a directory that belongs to one user alone.
//
// A program that writes for a user must not create files where others can
// plant links, FIFOs or squat names (/tmp itself). These helpers open such a
// private directory once, check it through the descriptor, and create files
// relative to that descriptor, so that a path swapped after the check
// cannot redirect them.
#pragma once

#include <sys/types.h>

namespace os {

// Opens path (O_PATH|O_NOFOLLOW, close-on-exec) and returns the descriptor,
// owned by the caller, once fstat shows a directory owned by uid without
// group or other permission bits. Throws
// plat::SystemExceptionFmt "open(\"<path>\")" when it cannot be opened
// (ENOENT when nothing is there), and plat::Exception naming the path and
// the fault for a symbolic link, another file type, another owner or a
// mode that lets others in.
int openPrivateDir(const char* path, uid_t uid);

// Creates name inside dirFd, write-only, mode 0600, with
// O_CREAT|O_EXCL|O_NOFOLLOW|O_CLOEXEC, and returns the descriptor. An entry
// already there (a leftover, a link, a FIFO) is unlinked and the file
// created again, once; what it pointed to is never opened. dirPath only
// names the directory in messages. Throws plat::SystemExceptionFmt
// "create(\"<dirPath>/<name>\")".
int createPrivateFile(int dirFd, const char* dirPath, const char* name);

} // namespace os
