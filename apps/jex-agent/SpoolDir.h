// agent::SpoolDir: the user's private directory, /tmp/.jex-UID, where the
// backend leaves each job's files and where the agent listens.
//
// The directory is trusted only when it is a real directory (not a link)
// owned by the user with no group or other permission bits: anyone else
// who could write there could hand the agent files of their choosing. It is
// held open, and every file is opened relative to it with O_NOFOLLOW, so a
// name swapped for a link after the check leads nowhere.
#pragma once

#include <plat/Exception.h>

#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace agent {

// The directory exists but cannot be trusted. The message (localised) says
// what is wrong with it, who owns it and what to do.
class UnsafeDir : public plat::Exception {
public:
  explicit UnsafeDir(const char* message) : plat::Exception(message) {}
};

class SpoolDir {
public:
  // Opens path, creating it (mode 0700) when missing. Throws UnsafeDir, or
  // plat::SystemExceptionFmt when it cannot be created or opened.
  SpoolDir(const std::string& path, uid_t uid);
  ~SpoolDir();
  SpoolDir(const SpoolDir&) = delete;
  SpoolDir& operator=(const SpoolDir&) = delete;

  // The private directory of uid, where the backend looks for its agent.
  // Sets the application identity the backend uses, so that both derive
  // the same path.
  static std::string userPath(uid_t uid);

  const std::string& path() const { return path_; }
  int fd() const { return fd_; }

  // The entry name of an absolute path that names a file directly in this
  // directory ("<path>/<name>"); empty for anything else, "." and ".."
  // included.
  std::string entryName(const std::string& absPath) const;

  // Opens entry `name` read-only with O_NOFOLLOW and returns the owned
  // descriptor after checking that it is a regular file owned by the user,
  // no larger than maxSize bytes (when maxSize >= 0). Throws plat::Exception
  // saying which check failed; st receives the file's status.
  int openOwnFile(const std::string& name, off_t maxSize,
                  struct stat* st = nullptr) const;

  // Removes entry `name`; a missing entry is not an error. Never throws.
  void remove(const std::string& name) const;

  // The names of the entries, "." and ".." left out.
  std::vector<std::string> entries() const;

private:
  std::string path_;
  uid_t uid_;
  int fd_;
};

} // namespace agent
