#include "SpoolJob.h"

#include "FileUtil.h"
#include "SpoolDir.h"

#include <plat/Exception.h>

#include <sys/stat.h>
#include <unistd.h>

namespace agent {

namespace {

std::string entryOrThrow(const SpoolDir& dir, const std::string& path)
{
  std::string name = dir.entryName(path);
  if (name.empty())
    throw plat::ExceptionFmt("%s is not in %s", path.c_str(),
                             dir.path().c_str());
  return name;
}

} // namespace

SpoolJob::SpoolJob(const SpoolDir& dir, const std::string& manifestPath)
{
  manifestName_ = entryOrThrow(dir, manifestPath);
  struct stat st;
  FdGuard mfd(dir.openOwnFile(manifestName_, MaxManifestSize, &st));
  printed_ = st.st_mtime;
  manifestText_ = readAll(mfd.get());
  manifest_ = JobManifest::parse(manifestText_);
  try {
    for (const std::string& path : manifest_.files) {
      std::string name = entryOrThrow(dir, path);
      if (name == manifestName_)
        throw plat::Exception("the manifest lists itself");
      files_.push_back({name, dir.openOwnFile(name, -1)});
    }
  } catch (...) {
    for (File& f : files_)
      close(f.fd);
    throw;
  }
}

SpoolJob::~SpoolJob()
{
  for (File& f : files_)
    close(f.fd);
}

void SpoolJob::removeSpool(const SpoolDir& dir) const
{
  for (const File& f : files_)
    dir.remove(f.name);
  dir.remove(manifestName_);
}

} // namespace agent
