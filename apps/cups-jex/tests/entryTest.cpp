// The backend's argument protocol, observed from outside the process.

#include "ProcessRunner.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <set>
#include <string>
#include <unistd.h>

using jextest::ProcessResult;
using jextest::ProcessRunner;
using jextest::jexCommand;

namespace {

const char* const Usage =
    "Usage: jex job user title num-copies options [filename]\n";

// Job files are named "/tmp/jex-<job ID>...". Every run here gets a job ID
// unique to this test process as argv[1], so the check stays exact while
// other suites create job files of their own.
std::string jobId(int n)
{
  return "entrytest" + std::to_string(getpid()) + "-" + std::to_string(n);
}

std::set<std::string> jobFiles(const std::string& id)
{
  std::set<std::string> names;
  std::string prefix = "jex-" + id;
  // readdir64: 32-bit readdir fails with EOVERFLOW on hosts with 64-bit
  // directory offsets (an armhf build under an emulator).
  DIR* d = opendir("/tmp");
  if (!d) {
    ADD_FAILURE() << "opendir /tmp: " << strerror(errno);
    return names;
  }
  errno = 0;
  while (dirent64* e = readdir64(d)) {
    if (strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0)
      names.insert(e->d_name);
  }
  if (errno)
    ADD_FAILURE() << "readdir /tmp: " << strerror(errno);
  closedir(d);
  return names;
}

ProcessResult runJex(const std::vector<std::string>& args)
{
  return ProcessRunner(jexCommand(args))
      .unsetEnv("DEVICE_URI")
      .unsetEnv("PRINTER")
      .run();
}

} // namespace

TEST(Entry, DiscoveryPrintsTheDeviceLine)
{
  ProcessResult r = runJex({});
  EXPECT_EQ(r.out, "direct jex:/ \"JEX Printer\" \"JEX Remote Printer\"\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
}

TEST(Entry, WrongArgumentCountPrintsUsage)
{
  ASSERT_EQ(strlen(Usage), 56u);
  for (int extra : {1, 2, 3, 4, 7}) {
    std::string id = jobId(extra);
    std::vector<std::string> args{id};
    for (int i = 1; i < extra; i++)
      args.push_back("arg" + std::to_string(i));
    ProcessResult r = runJex(args);
    EXPECT_EQ(r.out, "") << extra;
    EXPECT_EQ(r.err, Usage) << extra;
    EXPECT_EQ(r.status, 1) << extra;
    EXPECT_TRUE(jobFiles(id).empty()) << extra;
  }
}

TEST(Entry, FailingJobPrintsOneLineAndLeavesNoFile)
{
  std::string stdinJob = jobId(10);
  std::string fileJob = jobId(11);
  std::string missing = "/nonexistent/" + fileJob;
  for (auto& args : {std::vector<std::string>{stdinJob, "user", "title", "1", ""},
                     std::vector<std::string>{fileJob, "user", "title", "1", "",
                                              missing}}) {
    ProcessResult r = ProcessRunner(jexCommand(args))
                          .unsetEnv("DEVICE_URI")
                          .unsetEnv("PRINTER")
                          .stdinData("not a raster stream")
                          .run();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.compare(0, 5, "jex: "), 0) << r.err;
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_EQ(r.status, 1);
  }
  EXPECT_TRUE(jobFiles(stdinJob).empty());
  EXPECT_TRUE(jobFiles(fileJob).empty());
}

TEST(ProcessRunner, PassesEnvironmentInputAndStatus)
{
  ProcessResult r = ProcessRunner({"/bin/sh", "-c",
                                   "cat; echo \"$JEX_T_VAR\" >&2; "
                                   "echo \"${HOME-unset}\"; pwd; exit 3"})
                        .clearEnv()
                        .setEnv("JEX_T_VAR", "value")
                        .stdinData(std::string(100000, 'x'))
                        .workDir("/")
                        .run();
  EXPECT_EQ(r.out, std::string(100000, 'x') + "unset\n/\n");
  EXPECT_EQ(r.err, "value\n");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.signal, 0);

  r = ProcessRunner({"/bin/sh", "-c", "kill -TERM $$"}).stdinData("unread").run();
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.signal, SIGTERM);

  r = ProcessRunner({"/bin/sleep", "10"}).timeout(1).run();
  EXPECT_TRUE(r.timedOut);
  EXPECT_EQ(r.signal, SIGKILL);

  EXPECT_THROW(ProcessRunner({"/nonexistent/program"}).run(), plat::SystemException);
}
