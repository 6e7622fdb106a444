// Whole jobs through the backend process, as root, delivered to a test
// agent running as an unprivileged account.

#include "ProcessRunner.h"
#include "TestAgent.h"

#include "SamplePattern.h"

#include <rfb/ManagedPixelBuffer.h>
#include <rfbdec/PageFile.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>

using jextest::ProcessResult;
using jextest::ProcessRunner;
using jextest::TestAgent;
using jextest::jexCommand;

namespace {

std::string readFile(const std::string& path)
{
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void writeFile(const std::string& path, const std::string& data)
{
  std::ofstream f(path, std::ios::binary);
  f << data;
}

bool exists(const std::string& path)
{
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::string lengthPrefixed(const std::string& s)
{
  uint32_t n = (uint32_t)s.size();
  std::string out;
  out += (char)(n >> 24);
  out += (char)(n >> 16);
  out += (char)(n >> 8);
  out += (char)n;
  return out + s;
}

class JobRun : public testing::Test {
protected:
  void SetUp() override
  {
    if (geteuid() != 0)
      GTEST_SKIP() << "needs root: the backend switches to the receiving user";
    const passwd* pw = jextest::agentAccount();
    if (!pw)
      GTEST_SKIP() << "needs the unprivileged account 'nobody'";
    uid = pw->pw_uid;
    gid = pw->pw_gid;
    static int counter;
    id = "jobtest" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    base = "/tmp/jex-" + id;
    agentName = id;
    uri = "/" + std::to_string(uid) + "@" + agentName;
  }
  void TearDown() override
  {
    for (const std::string& f : jobFiles())
      unlink(("/tmp/" + f).c_str());
  }

  std::set<std::string> jobFiles() const
  {
    std::set<std::string> names;
    std::string prefix = "jex-" + id;
    if (DIR* d = opendir("/tmp")) {
      while (dirent* e = readdir(d)) {
        if (strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0)
          names.insert(e->d_name);
      }
      closedir(d);
    }
    return names;
  }

  ProcessResult runJex(const std::string& format,
                       const std::vector<std::string>& file = {},
                       const std::string& stdinData = "")
  {
    std::vector<std::string> args = {id, "alice", "My title", "1", ""};
    args.insert(args.end(), file.begin(), file.end());
    return ProcessRunner(jexCommand(args))
        .setEnv("DEVICE_URI", "jex:/" + format + uri)
        .setEnv("PRINTER", "queue1")
        .stdinData(stdinData)
        .timeout(60)
        .run();
  }

  // The standard-error lines of a delivered job, byte for byte.
  std::string expectedErr(const std::string& format,
                          const std::vector<std::string>& files,
                          const std::string& agentPath) const
  {
    std::string manifest = "[Document]\nName=My title\n[Device]\n"
                           "DeviceName=queue1\n[" + format + "]\nCount=" +
                           std::to_string(files.size()) + "\n";
    for (size_t i = 0; i < files.size(); i++)
      manifest += "File" + std::to_string(i) + "=" + files[i] + "\n";
    std::string u = std::to_string(uid), g = std::to_string(gid);
    return "jex: backend dropped privs to uid=" + u + ", euid=" + u +
           ", egid=" + g + ", groups=" + g + ",\n" + manifest +
           "jex: connecting to socket \"" + agentPath + "\"\n" +
           "jex: socket connected successfully\n";
  }

  void expectOwnedPrivate(const std::string& path) const
  {
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0) << path;
    EXPECT_EQ(st.st_uid, uid) << path;
    EXPECT_EQ(st.st_mode & 0777, 0600u) << path;
  }

  uid_t uid = 0;
  gid_t gid = 0;
  std::string id, base, agentName, uri;
};

TEST_F(JobRun, PassThroughFromFileAndFromStdin)
{
  const std::string pdf = "%PDF-1.4\nnot really a document\n%%EOF\n";
  for (const char* format : {"PDF", "PS"}) {
    for (bool fromFile : {true, false}) {
      SCOPED_TRACE(std::string(format) + (fromFile ? " from a file" : " from stdin"));
      std::string input = "/tmp/jex-" + id + "-source";
      writeFile(input, pdf);
      TestAgent agent(uid, gid, agentName, false);
      ProcessResult r = fromFile ? runJex(format, {input})
                                 : runJex(format, {}, pdf);
      unlink(input.c_str());
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.err, expectedErr(format, {base + ".in"}, agent.path()));
      EXPECT_EQ(agent.received(), lengthPrefixed(base + ".ini"));
      EXPECT_EQ(readFile(base + ".in"), pdf);
      expectOwnedPrivate(base + ".in");
      expectOwnedPrivate(base + ".ini");
      EXPECT_EQ(jobFiles(), (std::set<std::string>{"jex-" + id + ".in",
                                                   "jex-" + id + ".ini"}));
      TearDown();
    }
  }
}

TEST_F(JobRun, AgentThatNeverReads)
{
  TestAgent agent(uid, gid, agentName, true);
  ProcessResult r = runJex("PDF", {}, "%PDF-1.4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(exists(base + ".ini"));
}

TEST_F(JobRun, AgentAbsentRemovesEverything)
{
  ProcessResult r = runJex("PDF", {}, "%PDF-1.4\n");
  EXPECT_EQ(r.status, 1);
  std::string tail = "jex: connect: ";
  ASSERT_NE(r.err.find(tail), std::string::npos) << r.err;
  EXPECT_EQ(r.err.substr(r.err.rfind("jex: ")).find(tail), 0u) << r.err;
  EXPECT_TRUE(jobFiles().empty());
}

TEST_F(JobRun, FailuresBeforeTheSwitch)
{
  struct Case {
    std::string uri;
    std::vector<std::string> file;
    std::string err;     // the whole standard error, or its prefix
    bool prefix;
  } cases[] = {
    {"jex:/PDF" + uri, {"/nonexistent/job.pdf"},
     "jex: open(\"/nonexistent/job.pdf\", O_RDONLY): No such file or directory (2)\n",
     false},
    {"ipp://printer/", {}, "jex: invalid device-uri 'ipp://printer/'\n", false},
    {"jex:/PDF/1x@a", {}, "jex: invalid device-uri 'jex:/PDF/1x@a'\n", false},
    {"jex:/PDF/4000000@a", {}, "jex: getpwuid(4000000): account not found\n",
     false},
    {"jex:/TIFF" + uri, {},
     "jex: Assertion 'wantZRLE || format == \"PS\" || format == \"PDF\"' failed at ",
     true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.uri);
    std::vector<std::string> args = {id, "alice", "t", "1", ""};
    args.insert(args.end(), c.file.begin(), c.file.end());
    ProcessResult r = ProcessRunner(jexCommand(args))
                          .setEnv("DEVICE_URI", c.uri)
                          .stdinData("%PDF-1.4\n")
                          .run();
    EXPECT_EQ(r.status, 1);
    if (c.prefix) {
      EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    } else {
      EXPECT_EQ(r.err, c.err);
    }
    EXPECT_TRUE(jobFiles().empty());
  }

  ProcessResult r = ProcessRunner(jexCommand({id, "alice", "t", "1", ""}))
                        .unsetEnv("DEVICE_URI")
                        .run();
  EXPECT_EQ(r.err, "jex: invalid device-uri '(null)'\n");
}

#ifdef JEX_SAMPLE_RASTER

// A raster job of 130 x 70 Letter pages at 72 dpi, written through the real
// CUPS imaging library by the sample tool.
std::string sampleRaster(int pages)
{
  ProcessResult r = ProcessRunner(jextest::targetCommand(
                        JEX_SAMPLE_RASTER,
                        {"--pages", std::to_string(pages), "--size", "130x70",
                         "--dpi", "72", "--paper", "letter"}))
                        .run();
  return r.status == 0 ? r.out : std::string();
}

TEST_F(JobRun, RasterFromStdinNeverMakesACopy)
{
  std::string raster = sampleRaster(3);
  ASSERT_FALSE(raster.empty());
  // A copy would truncate this file and then delete it.
  writeFile(base + ".in", "sentinel");
  TestAgent agent(uid, gid, agentName, false);
  ProcessResult r = runJex("ZRLE", {}, raster);
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> pages = {base + "-0.zrle", base + "-1.zrle",
                                    base + "-2.zrle"};
  EXPECT_EQ(r.err, expectedErr("ZRLE", pages, agent.path()));
  EXPECT_EQ(agent.received(), lengthPrefixed(base + ".ini"));
  EXPECT_EQ(readFile(base + ".in"), "sentinel");
  for (const std::string& p : pages)
    expectOwnedPrivate(p);
  expectOwnedPrivate(base + ".ini");

  // Every pixel of every page decodes to what the raster held.
  for (int n = 0; n < 3; n++) {
    rfb::PageFile page = rfb::PageFile::load(pages[n].c_str());
    ASSERT_EQ(page.header().width, 130u);
    ASSERT_EQ(page.header().height, 70u);
    EXPECT_EQ(page.header().paperCode, 1u);            // Letter
    EXPECT_EQ(page.header().physWidth, 459u);          // 130 px at 72 dpi
    rfb::ManagedPixelBuffer pb(rfb::PageFile::pixelFormat(), 130, 70);
    page.decode(pb);
    int wrong = 0;
    for (unsigned y = 0; y < 70; y++) {
      for (unsigned x = 0; x < 130; x++) {
        uint8_t rgb[3];
        jextools::samplePixel(n, x, y, rgb);
        uint32_t want = (uint32_t)rgb[0] << 16 | (uint32_t)rgb[1] << 8 | rgb[2];
        wrong += pb.getPixel((int)x, (int)y) != want;
      }
    }
    EXPECT_EQ(wrong, 0) << "page " << n;
  }
}

TEST_F(JobRun, RasterFromFileDeletesItsCopy)
{
  std::string raster = sampleRaster(2);
  std::string input = "/tmp/jex-" + id + "-source";
  writeFile(input, raster);
  TestAgent agent(uid, gid, agentName, false);
  ProcessResult r = runJex("ZRLE", {input});
  unlink(input.c_str());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, expectedErr("ZRLE", {base + "-0.zrle", base + "-1.zrle"},
                               agent.path()));
  EXPECT_FALSE(exists(base + ".in"));
  EXPECT_EQ(jobFiles(), (std::set<std::string>{"jex-" + id + "-0.zrle",
                                               "jex-" + id + "-1.zrle",
                                               "jex-" + id + ".ini"}));
}

TEST_F(JobRun, RasterWithoutAgentRemovesPagesAndCopy)
{
  std::string input = "/tmp/jex-" + id + "-source";
  writeFile(input, sampleRaster(2));
  ProcessResult r = runJex("ZRLE", {input});
  unlink(input.c_str());
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(jobFiles().empty());
}

#endif // JEX_SAMPLE_RASTER

} // namespace
