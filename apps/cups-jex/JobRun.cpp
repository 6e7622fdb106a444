#include "JobRun.h"

#include "DeviceUri.h"
#include "JobFileSet.h"
#include "JobInput.h"
#include "Manifest.h"
#include "RasterJob.h"

#include <io/UnixIo.h>
#include <os/AppInfo.h>
#include <os/PasswdEntry.h>
#include <os/UserSwitch.h>
#include <plat/Assert.h>
#include <plat/DString.h>
#include <plat/Exception.h>
#include <plat/String.h>
#include <rdr/Exception.h>
#include <rdr/FdInStream.h>
#include <rdr/FileOutStream.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

void registerFile(JobFileSet& files, const char* path)
{
  files.insertCopies(&path, 1);
}

// Copies the job data into a file of the receiving user's, so that it can
// be read again after the identity switch (or handed over as it is).
void copyInput(JobInput& input, const char* path, uid_t uid, gid_t gid)
{
  rdr::FileOutStream out(path);
  if (fchown(fileno(out.getFile()), uid, gid) != 0)
    throw plat::SystemExceptionFmt("fchown(%s)", errno, path);

  bool own = !input.isStdin();
  rdr::FdInStream in(own ? input.release() : 0);
  in.setOwnFd(own);

  // Whatever the input holds is moved in whole buffers; the end of the
  // input is the end of the copy.
  try {
    for (;;) {
      out.flush();
      in.check(true, 1);
      size_t n = in.nUnread();
      out.writeBytes(in.getPtr(), n);
      in.setPtr(in.getEnd());
    }
  } catch (rdr::EndOfStream&) {
  } catch (rdr::EndOfMsg&) {
  }
  out.flush();
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

// Tells the session agent where the manifest is: the path as a
// length-prefixed string, the only bytes ever sent. The caller closes the
// connection once it has released the files.
std::unique_ptr<os::UnixIo> handOff(const char* socketPath,
                                    const char* manifestPath)
{
  fprintf(stderr, "jex: connecting to socket \"%s\"\n", socketPath);
  std::unique_ptr<os::UnixIo> conn(new os::UnixIo(socketPath, -1, 0));
  fprintf(stderr, "jex: socket connected successfully\n");
  rdr::OutStream& out = conn->getOutStream();
  out.writeString(manifestPath, strlen(manifestPath));
  out.flush();
  return conn;
}

} // namespace

void runJob(int argc, char** argv, JobFileSet& files)
{
  os::AppInfo::set("print", "Tessaro", "jex", nullptr, nullptr);

  JobInput input(argc == 7 ? argv[6] : nullptr);
  umask(077);
  plat::String basePath = plat::String::format("/tmp/jex-%s", argv[1]);

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

  plat::String copiedInput;
  if (!input.isStdin() || !wantZRLE) {
    copiedInput = plat::String::format("%s.in", basePath.c_str());
    registerFile(files, copiedInput.c_str());
    copyInput(input, copiedInput.c_str(), (uid_t)uid, account.gid());
  }

  os::switchToUser(account);

  plat::String groups = groupList();
  fprintf(stderr,
          "jex: backend dropped privs to uid=%ld, euid=%ld, egid=%ld, "
          "groups=%s\n",
          (long)getuid(), (long)geteuid(), (long)getegid(), groups.c_str());

  std::vector<plat::String> pages;
  if (wantZRLE) {
    cupsraster::convertRasterJob(copiedInput.get(), basePath.c_str(), pages);
  } else {
    const char* sourceFilename = copiedInput.get();
    PLAT_ASSERT(sourceFilename);
    pages.push_back(copiedInput);
  }

  for (const plat::String& page : pages)
    registerFile(files, page.c_str());
  plat::String manifestPath = plat::String::format("%s.ini", basePath.c_str());
  registerFile(files, manifestPath.c_str());

  plat::DString manifest = cupsraster::buildManifest(argv[3], getenv("PRINTER"),
                                                     format.c_str(), pages);
  cupsraster::writeManifest(manifestPath.c_str(), manifest);
  fputs(manifest.c_str(), stderr);

  char uidText[16];
  snprintf(uidText, sizeof(uidText), "%u", (unsigned)uid);
  plat::String socketPath =
      os::AppInfo::userIpcPath(name.c_str(), uidText, nullptr, 0, -1);
  std::unique_ptr<os::UnixIo> conn =
      handOff(socketPath.c_str(), manifestPath.c_str());

  // The agent owns these now; what is left (a ZRLE job's copy of its
  // input) goes when the set is destroyed.
  files.erase(manifestPath.c_str());
  for (const plat::String& page : pages)
    files.erase(page.c_str());
}
