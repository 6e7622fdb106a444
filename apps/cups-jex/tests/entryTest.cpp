// The backend's argument protocol, observed from outside the process.

#include "ProcessRunner.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <unistd.h>

using jextest::ProcessResult;

TEST(Entry, DiscoveryUsageAndFailuresLeaveNoFile)
{
  const std::string usage =
      "Usage: jex job user title num-copies options [filename]\n";
  ASSERT_EQ(usage.size(), 56u);
  // Every run gets a job ID unique to this process, so that the check for
  // leftover "/tmp/jex-<job ID>..." files stays exact beside other suites.
  std::string id = "entrytest" + std::to_string(getpid());
  struct Case {
    std::vector<std::string> args;
    std::string out, err; // err "jex: ..." means any one line starting so
    int status;
  } cases[] = {
      {{}, "direct jex:/ \"JEX Printer\" \"JEX Remote Printer\"\n", "", 0},
      {{id}, "", usage, 1},
      {{id, "a"}, "", usage, 1},
      {{id, "a", "b"}, "", usage, 1},
      {{id, "a", "b", "c"}, "", usage, 1},
      {{id, "a", "b", "c", "d", "e", "f"}, "", usage, 1},
      // A job without a device URI, from standard input and from a file.
      {{id, "user", "title", "1", ""}, "", "jex: ...", 1},
      {{id, "user", "title", "1", "", "/nonexistent/" + id}, "", "jex: ...", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.size());
    ProcessResult r = jextest::runJex(c.args, {"DEVICE_URI", "PRINTER"},
                                      "not a raster stream");
    EXPECT_EQ(r.out, c.out);
    if (c.err == "jex: ...") {
      EXPECT_EQ(r.err.compare(0, 5, "jex: "), 0) << r.err;
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    } else {
      EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(jextest::listDir("/tmp", "jex-" + id).empty());
  }
}
