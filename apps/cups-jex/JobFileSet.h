// The job's directory and its removal set: the files of this job that are
// deleted when the run ends without handing them over.
//
// Files live in the receiving user's private directory only and are named
// relative to its descriptor, so that no path swapped in later can make a
// removal or a creation land elsewhere. A name is registered before its
// file is created, so a run that ends at any point, even between the two,
// leaves nothing of its own behind.
//
// The set is changed with the cancel signals blocked, so that the cancel
// handler (JobCancel.h) always finds it consistent. Not copyable.
#pragma once

#include <plat/String.h>

#include <set>
#include <string>

class JobFileSet {
public:
  JobFileSet() = default;
  JobFileSet(const JobFileSet&) = delete;
  JobFileSet& operator=(const JobFileSet&) = delete;
  // Removes what is still registered and closes the directory.
  ~JobFileSet();

  // Takes over the descriptor of the directory at path (see
  // os::openPrivateDir). Files can be created from then on.
  void setDir(int dirFd, const char* path);
  bool hasDir() const { return dirFd_ >= 0; }

  // Registers name, then creates it (os::createPrivateFile) and returns
  // the descriptor, owned by the caller.
  int create(const char* name);
  // The file's absolute path, for the manifest.
  plat::String path(const char* name) const;
  // The agent owns the file now: it is no longer removed.
  void release(const char* name);

  // Removes every registered file. Async-signal-safe, for the cancel
  // handler: it only reads the set and calls unlinkat.
  void removeAll() const noexcept;

private:
  void change(bool add, const char* name);

  std::set<std::string> names_;
  int dirFd_ = -1;
  std::string dirPath_;
};
