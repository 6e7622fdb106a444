// Whole jobs through the backend process, as root, delivered to a test
// agent running as an unprivileged account.

#include "ProcessRunner.h"
#include "TestAgent.h"
#include "TestFiles.h"

#include "SamplePattern.h"

#include <rfb/ManagedPixelBuffer.h>
#include <rfbdec/PageFile.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace jextest;

namespace {

std::string lengthPrefixed(const std::string& s)
{
  uint32_t n = (uint32_t)s.size();
  return std::string{(char)(n >> 24), (char)(n >> 16), (char)(n >> 8),
                     (char)n} +
         s;
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
    uri = "/" + std::to_string(uid) + "@" + id;
  }
  void TearDown() override
  {
    for (const std::string& f : jobFiles())
      unlink(("/tmp/" + f).c_str());
  }

  std::set<std::string> jobFiles() const
  {
    return listDir("/tmp", "jex-" + id);
  }

  ProcessResult runJob(const std::string& format,
                       const std::vector<std::string>& file = {},
                       const std::string& input = "")
  {
    std::vector<std::string> args = {id, "alice", "My title", "1", ""};
    args.insert(args.end(), file.begin(), file.end());
    return runJex(args, {"DEVICE_URI=jex:/" + format + uri, "PRINTER=queue1"},
                  input);
  }

  // The standard-error lines of a delivered job, byte for byte.
  std::string expectedErr(const std::string& format,
                          const std::vector<std::string>& files,
                          const std::string& agentPath) const
  {
    std::string manifest = "[Document]\nName=My title\n[Device]\n"
                           "DeviceName=queue1\n[" +
                           format + "]\nCount=" + std::to_string(files.size()) +
                           "\n";
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
  std::string id, base, uri;
};

TEST_F(JobRun, PassThroughFromFileAndFromStdin)
{
  const std::string pdf = "%PDF-1.4\nnot really a document\n%%EOF\n";
  for (const char* format : {"PDF", "PS"}) {
    for (bool fromFile : {true, false}) {
      SCOPED_TRACE(std::string(format) +
                   (fromFile ? " from a file" : " from stdin"));
      TempDir dir;
      std::string input = writeFile(dir.file("job.pdf"), pdf);
      TestAgent agent(uid, gid, id, false);
      ProcessResult r =
          fromFile ? runJob(format, {input}) : runJob(format, {}, pdf);
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
  TestAgent agent(uid, gid, id, true);
  ProcessResult r = runJob("PDF", {}, "%PDF-1.4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(exists(base + ".ini"));
}

// Jobs that fail, before or after the switch to the receiving user, print
// their reason last and leave no file behind.
TEST_F(JobRun, FailuresLeaveNoFile)
{
  enum Match { Whole, OneLinePrefix, LastLinePrefix };
  struct Case {
    std::string env; // DEVICE_URI setting, or the bare name to unset it
    std::vector<std::string> file;
    std::string err;
    Match match;
  } cases[] = {
      {"DEVICE_URI=jex:/PDF" + uri,
       {"/nonexistent/job.pdf"},
       "jex: open(\"/nonexistent/job.pdf\", O_RDONLY): No such file or "
       "directory (2)\n",
       Whole},
      {"DEVICE_URI=ipp://printer/",
       {},
       "jex: invalid device-uri 'ipp://printer/'\n",
       Whole},
      {"DEVICE_URI=jex:/PDF/1x@a",
       {},
       "jex: invalid device-uri 'jex:/PDF/1x@a'\n",
       Whole},
      {"DEVICE_URI", {}, "jex: invalid device-uri '(null)'\n", Whole},
      {"DEVICE_URI=jex:/PDF/4000000@a",
       {},
       "jex: getpwuid(4000000): account not found\n",
       Whole},
      {"DEVICE_URI=jex:/TIFF" + uri,
       {},
       "jex: Assertion 'wantZRLE || format == \"PS\" || format == \"PDF\"' "
       "failed at ",
       OneLinePrefix},
      // No agent listening.
      {"DEVICE_URI=jex:/PDF" + uri, {}, "jex: connect: ", LastLinePrefix},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.env);
    std::vector<std::string> args = {id, "alice", "t", "1", ""};
    args.insert(args.end(), c.file.begin(), c.file.end());
    ProcessResult r = runJex(args, {c.env}, "%PDF-1.4\n");
    EXPECT_EQ(r.status, 1);
    size_t at = c.match == LastLinePrefix ? r.err.rfind("jex: ") : 0;
    if (c.match == Whole) {
      EXPECT_EQ(r.err, c.err);
    } else {
      EXPECT_EQ(
          r.err.compare(at == std::string::npos ? 0 : at, c.err.size(), c.err),
          0)
          << r.err;
    }
    EXPECT_TRUE(c.match != OneLinePrefix ||
                std::count(r.err.begin(), r.err.end(), '\n') == 1)
        << r.err;
    EXPECT_TRUE(jobFiles().empty());
  }
}

#ifdef JEX_SAMPLE_RASTER

// A raster job of 130 x 70 Letter pages at 72 dpi, written through the real
// CUPS imaging library by the sample tool.
std::string sampleRaster(int pages)
{
  ProcessResult r = runProcess(targetCommand(
      JEX_SAMPLE_RASTER, {"--pages", std::to_string(pages), "--size", "130x70",
                          "--dpi", "72", "--paper", "letter"}));
  return r.status == 0 ? r.out : std::string();
}

TEST_F(JobRun, RasterFromStdinNeverMakesACopy)
{
  std::string raster = sampleRaster(3);
  ASSERT_FALSE(raster.empty());
  // A copy would truncate this file and then delete it.
  writeFile(base + ".in", "sentinel");
  TestAgent agent(uid, gid, id, false);
  ProcessResult r = runJob("ZRLE", {}, raster);
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
    EXPECT_EQ(page.header().paperCode, 1u);   // Letter
    EXPECT_EQ(page.header().physWidth, 459u); // 130 px at 72 dpi
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
  TempDir dir;
  std::string input = writeFile(dir.file("job.raster"), sampleRaster(2));
  for (bool withAgent : {true, false}) {
    SCOPED_TRACE(withAgent ? "agent" : "no agent");
    std::unique_ptr<TestAgent> agent(
        withAgent ? new TestAgent(uid, gid, id, false) : nullptr);
    ProcessResult r = runJob("ZRLE", {input});
    EXPECT_EQ(r.status, withAgent ? 0 : 1) << r.err;
    if (agent) {
      EXPECT_EQ(r.err, expectedErr("ZRLE", {base + "-0.zrle", base + "-1.zrle"},
                                   agent->path()));
    }
    std::set<std::string> left;
    if (withAgent)
      left = {"jex-" + id + "-0.zrle", "jex-" + id + "-1.zrle",
              "jex-" + id + ".ini"};
    EXPECT_EQ(jobFiles(), left); // never the copy (.in)
    TearDown();
  }
}

#endif // JEX_SAMPLE_RASTER

} // namespace
