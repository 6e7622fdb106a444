#include "Delivery.h"

#include "FileUtil.h"
#include "PageOutput.h"
#include "PdfWriter.h"
#include "PngWriter.h"
#include "SpoolDir.h"
#include "SpoolJob.h"

#include <loc/Localize.h>
#include <os/SocketUtil.h>
#include <plat/Exception.h>
#include <plat/LogSrc.h>
#include <rdr/FdInStream.h>
#include <rfbdec/PageReader.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace agent {

namespace {

plat::StaticLogSrc vlog("Delivery");

std::string homeDir()
{
  const char* home = getenv("HOME");
  if (home && *home == '/')
    return home;
  passwd pw, *found = nullptr;
  char buf[4096];
  if (getpwuid_r(getuid(), &pw, buf, sizeof(buf), &found) == 0 && found)
    return found->pw_dir;
  return "/";
}

// Creates path and its missing parents (0700 for new ones).
void makeDirs(const std::string& path)
{
  for (size_t at = 1; at <= path.size(); at++) {
    if (at != path.size() && path[at] != '/')
      continue;
    std::string part = path.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      throw plat::SystemExceptionFmt("mkdir(%s)", errno, part.c_str());
  }
}

// The output folder itself may be a link; the folders made in it may not.
int openDir(const std::string& path, int parentFd = AT_FDCWD,
            bool followLink = true)
{
  int fd = openat(parentFd, path.c_str(),
                  O_RDONLY | O_DIRECTORY | O_CLOEXEC |
                      (followLink ? 0 : O_NOFOLLOW));
  if (fd < 0)
    throw plat::SystemExceptionFmt("open(%s)", errno, path.c_str());
  return fd;
}

// A new folder in parentFd named base, or "base (2)", "base (3)", ...
std::string makeUniqueDir(int parentFd, const std::string& base)
{
  for (int n = 1; n < 1000; n++) {
    std::string name = n == 1 ? base : base + " (" + std::to_string(n) + ")";
    if (mkdirat(parentFd, name.c_str(), 0700) == 0)
      return name;
    if (errno != EEXIST)
      throw plat::SystemExceptionFmt("mkdir(%s)", errno, name.c_str());
  }
  throw plat::ExceptionFmt("no free folder name for %s", base.c_str());
}

void removeMade(int folderFd, const std::vector<std::string>& made)
{
  for (const std::string& name : made)
    unlinkat(folderFd, name.c_str(), 0);
}

std::vector<std::string> splitBlanks(const std::string& s)
{
  std::vector<std::string> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
      i++;
    size_t j = i;
    while (j < s.size() && s[j] != ' ' && s[j] != '\t')
      j++;
    if (j > i)
      words.push_back(s.substr(i, j - i));
    i = j;
  }
  return words;
}

} // namespace

Delivery::Delivery(const SpoolDir& spool, const std::string& outputDir,
                   const std::string& onJob)
    : spool_(spool), outputDir_(outputDir), onJob_(splitBlanks(onJob))
{
  makeDirs(outputDir_);
}

std::string Delivery::defaultOutputDir()
{
  std::string home = homeDir();
  const char* config = getenv("XDG_CONFIG_HOME");
  std::string dirs =
      (config && *config == '/' ? std::string(config) : home + "/.config") +
      "/user-dirs.dirs";
  std::string docs;
  FdGuard fd(open(dirs.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() >= 0) {
    std::string text;
    try {
      text = readAll(fd.get());
    } catch (const plat::Exception&) {
    }
    // Lines look like XDG_DOCUMENTS_DIR="$HOME/Documents".
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    size_t at = text.find(key);
    if (at != std::string::npos && (at == 0 || text[at - 1] == '\n')) {
      size_t end = text.find('"', at + key.size());
      if (end != std::string::npos)
        docs = text.substr(at + key.size(), end - at - key.size());
    }
    if (docs.compare(0, 5, "$HOME") == 0)
      docs = home + docs.substr(5);
    if (docs.empty() || docs[0] != '/' || docs == home || docs == home + "/")
      docs.clear();
  }
  return (docs.empty() ? home : docs) + "/Printouts";
}

std::string Delivery::safeName(const std::string& title)
{
  std::string s;
  for (unsigned char c : title)
    s += (c < 32 || c == 127 || c == '/') ? '_' : char(c);
  while (!s.empty() && (s[0] == '.' || s[0] == ' '))
    s.erase(0, 1);
  if (s.size() > 100) {
    size_t cut = 100;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xc0) == 0x80)
      cut--;
    s.resize(cut);
  }
  while (!s.empty() && s.back() == ' ')
    s.pop_back();
  return s.empty() ? "job" : s;
}

std::string Delivery::folderName(time_t printed, const std::string& title)
{
  struct tm t;
  localtime_r(&printed, &t);
  char stamp[32];
  strftime(stamp, sizeof(stamp), "%Y-%m-%d %H.%M.%S ", &t);
  return stamp + safeName(title);
}

void Delivery::deliverInto(int folderFd, const SpoolJob& job,
                           std::vector<std::string>& made)
{
  const JobManifest& m = job.manifest();
  std::string base = safeName(m.title);
  if (m.format != JobManifest::Raster) {
    std::string name = base + "." + JobManifest::extension(m.format);
    made.push_back(name);
    copyToNewFile(job.fileFd(0), folderFd, name);
    return;
  }
  std::string pdfName = base + ".pdf";
  made.push_back(pdfName);
  PdfWriter pdf(createFileAt(folderFd, pdfName));
  for (size_t i = 0; i < job.fileCount(); i++) {
    rdr::FdInStream in(job.fileFd(i));
    rfb::PageReader page(in);
    const rfb::PageFile::Header& h = page.header();
    std::string pngName = "page-" + std::to_string(i + 1) + ".png";
    made.push_back(pngName);
    FdGuard pngFd(createFileAt(folderFd, pngName));
    PngWriter png(pngFd.get(), h.width, h.height, h.physWidth, h.physHeight);
    renderPage(page, &png, &pdf);
    if (close(pngFd.release()) != 0)
      throw plat::SystemExceptionFmt("close(%s)", errno, pngName.c_str());
  }
  pdf.finish();
}

std::string Delivery::deliver(const SpoolJob& job)
{
  const char* title = job.manifest().title.c_str();
  std::string folder = folderName(job.printed(), job.manifest().title);
  std::string error;
  try {
    FdGuard outFd(openDir(outputDir_));
    folder = makeUniqueDir(outFd.get(), folder);
    FdGuard folderFd(openDir(folder, outFd.get(), false));
    std::vector<std::string> made;
    try {
      deliverInto(folderFd.get(), job, made);
    } catch (...) {
      removeMade(folderFd.get(), made);
      unlinkat(outFd.get(), folder.c_str(), AT_REMOVEDIR);
      throw;
    }
  } catch (const plat::Exception& e) {
    error = e.message();
  } catch (const std::exception& e) {
    error = e.what(); // out of memory, most likely
  }
  if (!error.empty()) {
    std::string kept = keepFailed(job, folder);
    if (kept.empty()) {
      vlog->error("%s", loc::Localize::format(
                            "agent_job_not_kept",
                            {title, error.c_str(), spool_.path().c_str()})
                            .c_str());
      return std::string();
    }
    job.removeSpool(spool_);
    vlog->error("%s",
                loc::Localize::format("agent_job_failed",
                                      {title, error.c_str(), kept.c_str()})
                    .c_str());
    return std::string();
  }
  job.removeSpool(spool_);
  std::string path = outputDir_ + "/" + folder;
  vlog->status(
      "%s", loc::Localize::format("agent_job_delivered", {title, path.c_str()})
                .c_str());
  runOnJob(path);
  return path;
}

std::string Delivery::keepFailed(const SpoolJob& job, const std::string& folder)
{
  try {
    std::string failedDir = outputDir_ + "/failed";
    makeDirs(failedDir);
    FdGuard parent(openDir(failedDir));
    std::string name = makeUniqueDir(parent.get(), folder);
    FdGuard dir(openDir(name, parent.get(), false));
    std::vector<std::string> made;
    try {
      made.push_back(job.manifestName());
      FdGuard m(createFileAt(dir.get(), job.manifestName()));
      writeAll(m.get(), job.manifestText().data(), job.manifestText().size());
      if (close(m.release()) != 0)
        throw plat::SystemException("close", errno);
      for (size_t i = 0; i < job.fileCount(); i++) {
        made.push_back(job.fileName(i));
        copyToNewFile(job.fileFd(i), dir.get(), job.fileName(i));
      }
    } catch (...) {
      removeMade(dir.get(), made);
      unlinkat(parent.get(), name.c_str(), AT_REMOVEDIR);
      throw;
    }
    return failedDir + "/" + name;
  } catch (const plat::Exception& e) {
    vlog->error("cannot keep the failed job: %s", e.message());
    return std::string();
  }
}

void Delivery::runOnJob(const std::string& folder)
{
  if (onJob_.empty())
    return;
  std::vector<char*> argv;
  for (std::string& w : onJob_)
    argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(const_cast<char*>(folder.c_str()));
  argv.push_back(nullptr);
  // The agent ignores SIGCHLD so that the kernel reaps the command; the
  // command itself starts with default dispositions and no blocked signals.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGCHLD);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGINT);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0)
    vlog->error("OnJob: cannot run %s: %s", argv[0], strerror(rc));
}

} // namespace agent
