#include <plat/file.h>

#include <plat/Exception.h>

#include "LogCapture.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace plat;
using testutil::readFile;
using testutil::thrownMessage;

namespace {

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

class FileTest : public ::testing::Test {
protected:
  void touch() { FilePtr f(p.c_str(), FilePtr::Write); }
  testutil::TempDir dir;
  std::string p = dir.file("f");
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
  EXPECT_EQ(readFile(p), "abcdef");
  {
    FilePtr f(p.c_str(), FilePtr::ReadWrite); // "r+": keeps the data
    fputs("X", f.get());
  }
  EXPECT_EQ(readFile(p), "Xbcdef");
  {
    FilePtr f(p.c_str(), FilePtr::ReadWrite, FilePtr::Truncate);
    EXPECT_TRUE(fcntl(fileno(f.get()), F_GETFD) & FD_CLOEXEC);
    int fd = fileOpenFd(p.c_str(), O_RDONLY, 0);
    EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
    close(fd);
  }
  EXPECT_EQ(readFile(p), "");

  std::string r = dir.file("h");
  {
    UmaskGuard mask(0);
    FilePtr f(r.c_str(), FilePtr::Write, FilePtr::Private);
  }
  EXPECT_EQ(modeOf(r), 0600u);
}

TEST_F(FileTest, OpenFailuresAndStandardStreams)
{
  std::string p = dir.file("missing");
  EXPECT_EQ(thrownMessage<SystemException>(
                [&] { FilePtr(p.c_str(), FilePtr::Read); }),
            "Error opening \"" + p + "\": No such file or directory (2)");
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
  EXPECT_EQ(thrownMessage<SystemException>([&] { f.reset(stdout, false); }),
            "fclose: Bad file descriptor (9)");
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
  EXPECT_EQ(cap.lines()[0], "0 fclose: Bad file descriptor (9)");
}

TEST_F(FileTest, MkDir)
{
  UmaskGuard mask(022);
  std::string d = dir.file("d");
  EXPECT_TRUE(mkDir(d.c_str(), false));
  EXPECT_EQ(modeOf(d), 0755u);
  EXPECT_FALSE(mkDir(d.c_str(), true, false));
  EXPECT_EQ(modeOf(d), 0755u);
  EXPECT_FALSE(mkDir(d.c_str(), true, true));
  EXPECT_EQ(modeOf(d), 0700u);

  std::string bad = dir.file("missing/x");
  EXPECT_EQ(thrownMessage<SystemException>([&] { mkDir(bad.c_str(), true); }),
            "mkDir(" + bad + "): No such file or directory (2)");
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
  std::string missing = dir.file("missing");
  EXPECT_EQ(thrownMessage<SystemException>(
                [&] { fileMakePrivate(-1, missing.c_str()); }),
            "fileMakePrivate/stat(" + missing +
                "): No such file or directory (2)");
}
