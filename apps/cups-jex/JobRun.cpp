#include "JobRun.h"

#include "DeviceUri.h"
#include "HandOff.h"
#include "JobError.h"
#include "JobFile.h"
#include "JobFileSet.h"
#include "JobInput.h"
#include "Manifest.h"
#include "RasterJob.h"

#include <os/AppInfo.h>
#include <os/PasswdEntry.h>
#include <os/PrivateDir.h>
#include <os/UserSwitch.h>
#include <plat/Assert.h>
#include <plat/DString.h>
#include <plat/Exception.h>
#include <plat/String.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// CUPS job ids are numbers; anything else could reach outside the
// directory once it is part of a file name.
void checkJobId(const char* id)
{
  size_t len = strlen(id);
  if (len == 0 || len > 10 || strspn(id, "0123456789") != len)
    throw JobError(StatusCancelJob, "invalid job number '%s'", id);
}

// Copies the job data into a file of the job, to be handed over as it is.
// Reads block without limit: a cancelled job ends in the cancel handler.
void copyInput(int fd, JobFile& out)
{
  char buf[16384];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof(buf));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0) {
      throw JobError(StatusCancelJob, "reading the job data: %s (%d)",
                     strerror(errno), errno);
    }
    if (n == 0)
      break;
    out.writeBytes(buf, (size_t)n);
  }
  out.finish();
}

plat::String groupList()
{
  long max = sysconf(_SC_NGROUPS_MAX);
  if (max < 8)
    throw plat::SystemException("sysconf(_SC_NGROUPS_MAX)", errno);
  std::vector<gid_t> groups((size_t)max + 1);
  // The kernel never holds more than the maximum, and a user-mode emulator
  // (qemu-arm) refuses a larger size with EINVAL, so the size passed is the
  // maximum itself.
  int n = getgroups((int)max, groups.data());
  if (n < 0)
    throw plat::SystemException("getgroups()", errno);
  plat::DString text;
  for (int i = 0; i < n; i++)
    text.appendFormat("%ld,", (long)groups[i]);
  return plat::String(text.c_str());
}

// Opens the receiving user's private directory, where the agent listens
// and the job's files go.
void openJobDir(JobFileSet& files, const char* dir, uid_t uid)
{
  int fd;
  try {
    fd = os::openPrivateDir(dir, uid);
  } catch (plat::SystemException& e) {
    if (e.err() != ENOENT)
      throw;
    throw JobError(StatusRetryJob, "no session agent for uid %u: %s is missing",
                   (unsigned)uid, dir);
  }
  files.setDir(fd, dir);
}

} // namespace

void runJob(int argc, char** argv, JobFileSet& files)
{
  os::AppInfo::set("print", "Tessaro", "jex", nullptr, nullptr);
  const char* jobId = argv[1];
  checkJobId(jobId);
  umask(077);

  plat::String uri(getenv("DEVICE_URI"));
  plat::String format, name;
  uint32_t uid = 0;
  if (!parseDeviceUri(uri.get(), &format, &uid, &name)) {
    throw plat::Exception(plat::Exception::fmt, "invalid device-uri '%s'",
                          uri.isNull() ? "(null)" : uri.c_str());
  }
  bool wantZRLE = format == "ZRLE";
  PLAT_ASSERT_THROW(wantZRLE || format == "PS" || format == "PDF");

  os::PasswdEntry account(true); // wiped: it holds the password field
  account.lookupByUid((uid_t)uid);

  // The job file is opened with the privileges CUPS gave us; nothing is
  // created before the switch.
  const char* inputPath = argc == 7 ? argv[6] : nullptr;
  std::unique_ptr<JobInput> input;
  try {
    input.reset(new JobInput(inputPath));
  } catch (plat::SystemException& e) {
    throw JobError(StatusCancelJob, "%s", e.message());
  }

  os::switchToUser(account);

  plat::String groups = groupList();
  fprintf(stderr,
          "jex: backend dropped privs to uid=%ld, euid=%ld, egid=%ld, "
          "groups=%s\n",
          (long)getuid(), (long)geteuid(), (long)getegid(), groups.c_str());

  char uidText[16];
  snprintf(uidText, sizeof(uidText), "%u", (unsigned)uid);
  plat::String dir = os::AppInfo::userTmpDir(uidText);
  openJobDir(files, dir.c_str(), (uid_t)uid);

  std::vector<plat::String> pages;
  if (wantZRLE) {
    cupsraster::convertRasterJob(input->fd(), inputPath ? inputPath : "[stdin]",
                                 files, jobId, pages);
  } else {
    plat::String copy = plat::String::format("jex-%s.in", jobId);
    JobFile out(files, copy.c_str());
    copyInput(input->fd(), out);
    pages.push_back(out.path());
  }

  plat::String manifestName = plat::String::format("jex-%s.ini", jobId);
  plat::DString manifest = cupsraster::buildManifest(argv[3], getenv("PRINTER"),
                                                     format.c_str(), pages);
  JobFile manifestFile(files, manifestName.c_str());
  manifestFile.writeBytes(manifest.c_str(), manifest.length());
  manifestFile.finish();
  fputs(manifest.c_str(), stderr);

  plat::String socketPath =
      os::AppInfo::userIpcPath(name.c_str(), uidText, nullptr, 0, -1);
  handOff(socketPath.c_str(), (uid_t)uid, manifestFile.path().c_str(), [&] {
    // The agent owns every file now.
    files.release(manifestName.c_str());
    for (const plat::String& page : pages)
      files.release(strrchr(page.c_str(), '/') + 1);
  });
}
