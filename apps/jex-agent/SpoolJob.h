// agent::SpoolJob: a job taken in from the spool directory, its manifest
// read and parsed and every listed file opened and checked (see
// SpoolDir::openOwnFile). The descriptors stay open until the job is
// done, so what gets delivered is what was checked, whatever happens to the
// names meanwhile.
#pragma once

#include "JobManifest.h"

#include <ctime>
#include <string>
#include <vector>

namespace agent {

class SpoolDir;

class SpoolJob {
public:
  enum { MaxManifestSize = 1 << 20 };

  // Takes in the job whose manifest is at manifestPath. Throws
  // plat::Exception with the reason when the manifest or a file is not in
  // the directory, not the user's own regular file, or the manifest is not
  // one.
  SpoolJob(const SpoolDir& dir, const std::string& manifestPath);
  ~SpoolJob();
  SpoolJob(const SpoolJob&) = delete;
  SpoolJob& operator=(const SpoolJob&) = delete;

  const JobManifest& manifest() const { return manifest_; }
  const std::string& manifestName() const { return manifestName_; }
  const std::string& manifestText() const { return manifestText_; }
  // When the job was printed: the manifest's modification time.
  time_t printed() const { return printed_; }

  size_t fileCount() const { return files_.size(); }
  // The spool entry name and the open descriptor of listed file i.
  const std::string& fileName(size_t i) const { return files_[i].name; }
  int fileFd(size_t i) const { return files_[i].fd; }

  // Removes the manifest and the listed files from dir.
  void removeSpool(const SpoolDir& dir) const;

private:
  struct File {
    std::string name;
    int fd;
  };

  JobManifest manifest_;
  std::string manifestName_;
  std::string manifestText_;
  time_t printed_;
  std::vector<File> files_;
};

} // namespace agent
