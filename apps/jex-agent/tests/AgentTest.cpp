// The agent as a user runs it: a real process under a test account,
// handed jobs by the real backend and by hostile clients.

#include "TestPages.h"

#include <ProcessTest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>

using namespace agenttest;
using namespace jextest;

namespace {

// Polls cond for up to 20 s.
bool waitUntil(const std::function<bool()>& cond)
{
  for (int i = 0; i < 400 && !cond(); i++)
    usleep(50000);
  return cond();
}

// Connects to path as account a, sends bytes and keeps the connection open
// for holdMs. Returns 0 when it connected.
int sendAs(const Account& a, const std::string& path, const std::string& bytes,
           int holdMs = 0)
{
  return runAs(a, [&] {
    int fd = connectTo(path);
    // The agent may already have closed a refused connection.
    (void)!send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    usleep(holdMs * 1000);
    return fd < 0;
  });
}

// What p (the agent or another of its programs) has written so far.
std::string log(const Process& p)
{
  return p.stream(0) + p.stream(1);
}

bool logged(const Process& p, const std::string& text)
{
  return waitUntil([&] { return log(p).find(text) != std::string::npos; });
}

// Ends p with sig (0: lets it exit); its exit status, its log in *text.
int stop(Process& p, int sig = SIGTERM, std::string* text = nullptr)
{
  if (sig)
    kill(p.pid, sig);
  ProcessResult r = p.wait();
  if (text)
    *text = r.out + r.err;
  return r.status;
}

class AgentTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    if (getuid() != 0)
      GTEST_SKIP() << "needs root: runs the agent as test accounts";
    if (testAccounts("jexag").size() != 2)
      GTEST_SKIP() << "cannot create the test accounts with useradd";
    a = testAccounts("jexag")[0];
    b = testAccounts("jexag")[1];
    spool = "/tmp/.jex-" + a.uid;
    TearDown();
    chmod(tmp.path().c_str(), 0755); // the accounts reach their folders in it
    home = tmp.file("home");
    out = tmp.file("out");
    for (const std::string& d : {home, out}) {
      mkdir(d.c_str(), 0700);
      (void)!chown(d.c_str(), a.id, a.gid);
    }
  }
  void TearDown() override
  {
    std::error_code ignored;
    std::filesystem::remove_all(spool, ignored);
  }

  // The agent, or another of its programs, as account a.
  std::unique_ptr<Process> start(const std::vector<std::string>& args,
                                 const char* binary = JEX_AGENT)
  {
    return std::make_unique<Process>(
        targetCommand(binary, args, {"XDG_CONFIG_HOME", "HOME=" + home}), "",
        &a);
  }
  std::unique_ptr<Process> startAgent(std::vector<std::string> args = {})
  {
    // English: the tests read the log.
    args.insert(args.begin(),
                {"Name=test", "OutputDir=" + out, "Locale=en_US"});
    std::unique_ptr<Process> p = start(args);
    EXPECT_TRUE(logged(*p, "Listening on")) << log(*p);
    return p;
  }

  // A file owned by `owner` in dir.
  std::string plant(const std::string& path, const std::string& data,
                    const Account& owner)
  {
    writeFile(path, data);
    (void)!chown(path.c_str(), owner.id, owner.gid);
    chmod(path.c_str(), 0600);
    return path;
  }

  // A complete raster job of `pages` pages in the spool directory.
  std::string spoolJob(const std::string& job, int pages)
  {
    std::string m =
        "[Document]\nName=Job " + job +
        "\n[Device]\nDeviceName=q\n[ZRLE]\nCount=" + std::to_string(pages) +
        "\n";
    for (int n = 0; n < pages; n++) {
      std::string page =
          spool + "/jex-" + job + "-" + std::to_string(n) + ".zrle";
      plant(page, pageFile(n, 70, 90), a);
      m += "File" + std::to_string(n) + "=" + page + "\n";
    }
    return plant(spool + "/jex-" + job + ".ini", m, a);
  }

  // Until the agent has logged the outcome of n jobs, delivered or not.
  static bool waitForJobs(const Process& agent, size_t n)
  {
    return waitUntil([&] {
      std::string text = log(agent);
      size_t count = 0;
      for (size_t at = 0; (at = text.find("Job \"", at)) != text.npos; at++)
        count++;
      return count >= n;
    });
  }

  Account a, b;
  TempDir tmp;
  std::string spool, home, out;
};

#ifdef JEX_SAMPLE_RASTER
// Two raster jobs of three pages, the second handed off while the first is
// being delivered: three exact PNGs and a three-page PDF each. A PDF job
// arrives byte for byte.
TEST_F(AgentTest, JobsFromTheBackend)
{
  ProcessResult raster =
      run(targetCommand(JEX_SAMPLE_RASTER, {"--pages", "3", "--size", "620x877",
                                            "--dpi", "75", "--paper", "a4"}));
  ASSERT_EQ(raster.status, 0);
  std::string pdf = "%PDF-1.4\n" + std::string(100000, '\x9c') + "\n%%EOF\n";
  auto agent = startAgent();
  for (const char* job : {"71", "72", "73"}) {
    bool isPdf = job == std::string("73");
    ProcessResult r =
        run(targetCommand(
                JEX_BINARY, {job, "u", isPdf ? "Report" : "Raster", "1", ""},
                {"DEVICE_URI=jex:/" + std::string(isPdf ? "PDF" : "ZRLE") +
                     "/" + a.uid + "@test",
                 "PRINTER=q"}),
            isPdf ? pdf : raster.out);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  ASSERT_TRUE(waitForJobs(*agent, 3)) << log(*agent);
  for (const std::string& folder : listDir(out)) {
    std::string dir = out + "/" + folder;
    if (exists(dir + "/Report.pdf")) {
      EXPECT_EQ(readFile(dir + "/Report.pdf"), pdf);
      continue;
    }
    EXPECT_EQ(listDir(dir),
              std::set<std::string>(
                  {"Raster.pdf", "page-1.png", "page-2.png", "page-3.png"}));
    for (int n = 0; n < 3; n++) {
      Png png = readPng(dir + "/page-" + std::to_string(n + 1) + ".png");
      EXPECT_EQ(png.width, 620u);
      EXPECT_EQ(wrongPixels(png, n), 0) << folder << " page " << n;
    }
    std::string cmd = "! command -v pdfinfo >/dev/null || pdfinfo '" + dir +
                      "/Raster.pdf' | grep -q '^Pages: *3$'";
    EXPECT_EQ(system(cmd.c_str()), 0);
  }
  EXPECT_EQ(listDir(out).size(), 3u);
  EXPECT_EQ(listDir(spool, "jex-"), std::set<std::string>());
}
#endif

// Complete jobs left behind are delivered at start (a bad one kept whole in
// "failed"); an old stray spool file is removed, a recent one kept (it may
// belong to a job being written).
TEST_F(AgentTest, StartDeliversLeftoversAndRemovesOldStrays)
{
  mkdir(spool.c_str(), 0700);
  (void)!chown(spool.c_str(), a.id, a.gid);
  spoolJob("80", 2);
  spoolJob("83", 1);
  plant(spool + "/jex-83-0.zrle", "not a page", a); // goes to "failed"
  std::string oldStray = plant(spool + "/jex-81-0.zrle", "x", a);
  std::string newStray = plant(spool + "/jex-82-0.zrle", "x", a);
  struct timespec old[2] = {{time(nullptr) - 7200, 0},
                            {time(nullptr) - 7200, 0}};
  utimensat(AT_FDCWD, oldStray.c_str(), old, 0);
  auto agent = startAgent();
  ASSERT_TRUE(waitForJobs(*agent, 2)) << log(*agent);
  std::set<std::string> failed = listDir(out + "/failed");
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(listDir(out + "/failed/" + *failed.begin()),
            std::set<std::string>({"jex-83.ini", "jex-83-0.zrle"}));
  EXPECT_EQ(listDir(spool, "jex-"), std::set<std::string>({"jex-82-0.zrle"}));
  // SIGTERM: stops listening, removes its socket, exits 0.
  EXPECT_EQ(stop(*agent), 0);
  EXPECT_FALSE(exists(spool + "/print.test"));
}

// Each hostile hand-off is refused with a log line; nothing is delivered
// and nothing outside the directory is touched.
TEST_F(AgentTest, HostileHandOffsAreRefused)
{
  auto agent = startAgent({"ClientTimeout=1"});
  std::string sock = spool + "/print.test";
  std::string outside = tmp.file("outside");
  mkdir(outside.c_str(), 0755);
  std::string page = pageFile(0, 70, 90);
  std::string outsidePage = plant(outside + "/jex-90-0.zrle", page, a);
  auto manifest = [&](const std::string& path, const std::string& file) {
    return plant(path,
                 "[Document]\nName=x\n[Device]\nDeviceName=q\n[ZRLE]\n"
                 "Count=1\nFile0=" +
                     file + "\n",
                 a);
  };
  auto manifestFor = [&](const std::string& job, const std::string& file) {
    return manifest(spool + "/jex-" + job + ".ini", file);
  };
  std::string outsideManifest = manifest(outside + "/jex-90.ini", outsidePage);
  std::string link = spool + "/jex-91-0.zrle";
  ASSERT_EQ(symlink(outsidePage.c_str(), link.c_str()), 0);
  std::string foreign = plant(spool + "/jex-92-0.zrle", page, b);
  chmod(foreign.c_str(), 0644); // readable: the owner check must refuse it
  std::string dotdot = spool + "/../" + outside.substr(5) + "/jex-90.ini";

  struct Case {
    const char* what;
    Account as;
    std::string bytes;
    const char* logText;
    int holdMs;
  } cases[] = {
      {"path outside", a, handOff(outsideManifest), "is not in", 0},
      {"path with ..", a, handOff(dotdot), "is not in", 0},
      {"page is a link", a, handOff(manifestFor("91", link)),
       "is a symbolic link", 0},
      {"page of another user", a, handOff(manifestFor("92", foreign)),
       "owned by another user", 0},
      {"over-long length", a, handOff("/x", 5000), "longer than 4096", 0},
      {"not INI", a, handOff(plant(spool + "/jex-93.ini", "%PDF-1.4\n", a)),
       "is not INI", 0},
      {"another uid", b, handOff(outsideManifest),
       "refused a connection from uid", 0},
      {"never sends", a, "", "sent nothing", 2500},
  };
  // Opened up so that the other account can connect at all.
  chmod(spool.c_str(), 0711);
  chmod(sock.c_str(), 0777);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(sendAs(c.as, sock, c.bytes, c.holdMs), 0);
    EXPECT_TRUE(logged(*agent, c.logText)) << log(*agent);
  }
  chmod(spool.c_str(), 0700);
  EXPECT_EQ(listDir(out), std::set<std::string>());
  EXPECT_EQ(readFile(outsidePage), page);
  EXPECT_TRUE(exists(outsideManifest));
  EXPECT_EQ(listDir(outside).size(), 2u);

  // Still serving: a good job goes through.
  std::string good = spoolJob("94", 1);
  EXPECT_EQ(sendAs(a, sock, handOff(good)), 0);
  EXPECT_TRUE(waitForJobs(*agent, 1)) << log(*agent);
}

// One agent per name; agent.conf applies below the command line.
TEST_F(AgentTest, SecondAgentExitsAndSettingsFileYieldsToCommandLine)
{
  std::string conf = home + "/.config/jex";
  ASSERT_EQ(system(("mkdir -p " + conf + " && chown -R " + a.uid + " " + home +
                    "/.config")
                       .c_str()),
            0);
  plant(conf + "/agent.conf", "Name=fromfile\nClientTimeout=7\n", a);
  auto first = startAgent();
  EXPECT_TRUE(exists(spool + "/print.test"));
  EXPECT_FALSE(exists(spool + "/print.fromfile"));

  std::string text;
  EXPECT_EQ(
      stop(*start({"Name=test", "OutputDir=" + out, "Locale=en_US"}), 0, &text),
      0);
  EXPECT_NE(text.find("already running"), std::string::npos) << text;

  std::string job = spoolJob("95", 1);
  EXPECT_EQ(sendAs(a, spool + "/print.test", handOff(job)), 0);
  EXPECT_TRUE(waitForJobs(*first, 1)) << log(*first);
}

// jex-log shows a job's lines as they happen, in order, at its own level
// (the agent's stderr keeps its own); one follower at a time, own uid only.
TEST_F(AgentTest, LogFollowerSeesJobsAndIsAlone)
{
  auto agent = startAgent();
  std::string ctl = spool + "/print.test.ctl";
  std::vector<std::string> args = {"Name=test", "Level=100", "Locale=en_US"};
  auto follower = start(args, JEX_LOG);
  ASSERT_TRUE(logged(*follower, "a follower reads the log")) << log(*agent);
  std::string text;
  EXPECT_EQ(stop(*start(args, JEX_LOG), 0, &text), 1);
  EXPECT_NE(text.find("Another jex-log already shows"), std::string::npos)
      << text;
  chmod(spool.c_str(), 0711);
  chmod(ctl.c_str(), 0777);
  EXPECT_EQ(sendAs(b, ctl, ""), 0);
  EXPECT_TRUE(logged(*agent, "LogServer: refused a connection from uid"))
      << log(*agent);
  chmod(spool.c_str(), 0700);

  std::string job = spoolJob("96", 2);
  EXPECT_EQ(sendAs(a, spool + "/print.test", handOff(job)), 0);
  ASSERT_TRUE(logged(*follower, "Job \"Job 96\" delivered")) << log(*follower);
  std::string seen = log(*follower);
  size_t tookIn = seen.find("Agent: took in " + job + " (2 files)");
  EXPECT_LT(tookIn, seen.find("Delivery: Job \"Job 96\" delivered"));
  EXPECT_EQ(log(*agent).find("took in"), std::string::npos);

  EXPECT_EQ(stop(*follower, SIGINT), 0);
  EXPECT_TRUE(logged(*agent, "the follower left"));
  // Nothing logged while nobody followed is kept for the next follower.
  EXPECT_EQ(sendAs(a, spool + "/print.test", handOff(spoolJob("97", 1))), 0);
  ASSERT_TRUE(waitForJobs(*agent, 2)) << log(*agent);
  auto later = start(args, JEX_LOG);
  ASSERT_TRUE(logged(*later, "a follower reads the log")) << log(*agent);
  EXPECT_EQ(stop(*agent), 0);
  EXPECT_EQ(stop(*later, 0, &text), 1);
  EXPECT_EQ(text.find("97"), std::string::npos) << text;
  EXPECT_NE(text.find("closed the connection"), std::string::npos);
  EXPECT_FALSE(exists(ctl));
}

} // namespace
