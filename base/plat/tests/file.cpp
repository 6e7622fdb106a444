#include <plat/file.h>

#include <plat/Exception.h>

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace plat;

namespace {

// A private temporary directory removed with its contents.
struct TempDir {
  std::string path;
  TempDir()
  {
    char tmpl[] = "/tmp/plat-file-test-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir()
  {
    std::string cmd = "rm -rf '" + path + "'";
    if (system(cmd.c_str()) != 0)
      ADD_FAILURE() << "cannot remove " << path;
  }
  std::string operator/(const char* name) const { return path + "/" + name; }
};

struct UmaskGuard {
  mode_t old;
  explicit UmaskGuard(mode_t m) : old(umask(m)) {}
  ~UmaskGuard() { umask(old); }
};

mode_t modeOf(const std::string& path)
{
  struct stat st;
  EXPECT_EQ(stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

// The message of the SystemException f throws, "" when none; its errno
// must be err unless err is 0.
template <typename F> std::string sysError(F f, int err = 0)
{
  try {
    f();
  } catch (const SystemException& e) {
    EXPECT_TRUE(err == 0 || e.err() == err) << e.err();
    return e.message();
  }
  return "";
}

bool startsWith(const std::string& s, const std::string& prefix)
{
  return s.compare(0, prefix.size(), prefix) == 0;
}

std::string readAll(const std::string& path)
{
  FilePtr f(path.c_str(), FilePtr::Read);
  std::string s;
  int c;
  while ((c = fgetc(f.get())) != EOF)
    s += char(c);
  return s;
}

class FileTest : public ::testing::Test {
protected:
  void touch() { FilePtr f(p.c_str(), FilePtr::Write); }
  TempDir dir;
  std::string p = dir / "f";
};

} // namespace

TEST_F(FileTest, ModesAndFlags)
{
  {
    UmaskGuard mask(077);
    FilePtr f(p.c_str(), FilePtr::Write);
    fputs("abc", f.get());
  }
  EXPECT_EQ(modeOf(p), 0600u);
  {
    FilePtr f(p.c_str(), FilePtr::Write, FilePtr::Append);
    fputs("def", f.get());
  }
  EXPECT_EQ(readAll(p), "abcdef");
  {
    FilePtr f(p.c_str(), FilePtr::ReadWrite); // "r+": keeps the data
    fputs("X", f.get());
  }
  EXPECT_EQ(readAll(p), "Xbcdef");
  {
    FilePtr f(p.c_str(), FilePtr::ReadWrite, FilePtr::Truncate);
    EXPECT_TRUE(fcntl(fileno(f.get()), F_GETFD) & FD_CLOEXEC);
    int fd = fileOpenFd(p.c_str(), O_RDONLY, 0);
    EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
    close(fd);
  }
  EXPECT_EQ(readAll(p), "");

  std::string r = dir / "h";
  {
    UmaskGuard mask(0);
    FilePtr f(r.c_str(), FilePtr::Write, FilePtr::Private);
  }
  EXPECT_EQ(modeOf(r), 0600u);
}

TEST_F(FileTest, OpenFailuresAndStandardStreams)
{
  std::string p = dir / "missing";
  EXPECT_TRUE(
      startsWith(sysError([&] { FilePtr(p.c_str(), FilePtr::Read); }, ENOENT),
                 "Error opening \"" + p + "\": "));
  EXPECT_FALSE(FilePtr(p.c_str(), FilePtr::Read, FilePtr::NoThrow));

  // "-" is standard input or output, never closed.
  {
    FilePtr f("-", FilePtr::Write);
    EXPECT_EQ(f.get(), stdout);
  }
  EXPECT_NE(fcntl(fileno(stdout), F_GETFD), -1);
  EXPECT_THROW(FilePtr("-", FilePtr::ReadWrite), Exception);
}

TEST_F(FileTest, ResetClosesOwnedAndReportsCloseFailure)
{
  FilePtr f(p.c_str(), FilePtr::Write);
  int fd = fileno(f.get());
  f.reset();
  EXPECT_EQ(fcntl(fd, F_GETFD), -1);

  // A FILE whose descriptor was closed behind its back fails to close.
  FILE* broken = fopen(p.c_str(), "r");
  ASSERT_TRUE(broken);
  close(fileno(broken));
  f.reset(broken, true);
  EXPECT_TRUE(
      startsWith(sysError([&] { f.reset(stdout, false); }, EBADF), "fclose: "));
  EXPECT_EQ(f.get(), stdout); // taken despite the failure
}

TEST_F(FileTest, DestructorLogsCloseFailureWhenAsked)
{
  touch();
  LogCapture cap("filecap", "FilePtr:filecap:0");
  for (bool logIt : {true, false}) {
    FILE* broken = fopen(p.c_str(), "r");
    close(fileno(broken));
    FilePtr f(broken, true, logIt);
  }
  ASSERT_EQ(cap.lines().size(), 1u);
  EXPECT_TRUE(startsWith(cap.lines()[0], "0 fclose: "));
}

TEST_F(FileTest, MkDir)
{
  UmaskGuard mask(022);
  std::string d = dir / "d";
  EXPECT_TRUE(mkDir(d.c_str(), false));
  EXPECT_EQ(modeOf(d), 0755u);
  EXPECT_FALSE(mkDir(d.c_str(), true, false));
  EXPECT_EQ(modeOf(d), 0755u);
  EXPECT_FALSE(mkDir(d.c_str(), true, true));
  EXPECT_EQ(modeOf(d), 0700u);

  std::string bad = dir / "missing/x";
  EXPECT_TRUE(startsWith(sysError([&] { mkDir(bad.c_str(), true); }, ENOENT),
                         "mkDir(" + bad + "): "));
}

TEST_F(FileTest, MakePrivate)
{
  touch();
  chmod(p.c_str(), 04644);
  fileMakePrivate(-1, p.c_str());
  EXPECT_EQ(modeOf(p), 04600u);
  chmod(p.c_str(), 0640);
  {
    FilePtr f(p.c_str(), FilePtr::Read);
    fileMakePrivate(fileno(f.get()), nullptr);
  }
  EXPECT_EQ(modeOf(p), 0600u);
  std::string missing = dir / "missing";
  EXPECT_TRUE(
      startsWith(sysError([&] { fileMakePrivate(-1, missing.c_str()); }),
                 "fileMakePrivate/stat(" + missing + "): "));
}
