// Whole jobs through the backend process, as root, delivered to local test
// accounts: attacks of a shared host, faults, cancels, and exact texts.

#include "ProcessTest.h"
#include "SamplePattern.h"

#include <rfb/ManagedPixelBuffer.h>
#include <rfbdec/PageFile.h>

#include <functional>
#include <poll.h>

using namespace jextest;

namespace {

// A listener the backend sees as uid's: the kernel takes its credentials
// from the caller of listen(), a child that has become uid. Makes the
// socket's directory (0700, uid's) when it is missing.
struct TestAgent {
  TestAgent(const std::string& path, uid_t uid, gid_t gid, int backlog = 4)
  {
    std::string dir = path.substr(0, path.rfind('/'));
    if (mkdir(dir.c_str(), 0700) == 0)
      chown(dir.c_str(), uid, gid);
    sockaddr_un addr = {AF_UNIX, {}};
    strcpy(addr.sun_path, path.c_str());
    s_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    unlink(path.c_str());
    EXPECT_EQ(bind(s_, (sockaddr*)&addr, sizeof(addr)), 0);
    chmod(path.c_str(), 0777);
    EXPECT_EQ(runAs({"", "", uid, gid}, [&] { return listen(s_, backlog); }), 0)
        << "listen as uid " << uid;
  }
  ~TestAgent() { close(s_); }
  std::string received() // on the first connection
  {
    std::string bytes;
    pollfd p = {s_, POLLIN, 0};
    int c = poll(&p, 1, 30000) > 0 ? accept(s_, nullptr, nullptr) : -1;
    char buf[4096];
    for (ssize_t n; c >= 0 && (n = read(c, buf, sizeof(buf))) > 0;)
      bytes.append(buf, (size_t)n);
    close(c);
    return bytes;
  }

  int s_;
};

const std::string pdf = "%PDF-1.4\nnot really a document\n%%EOF\n";

class Job : public testing::Test {
protected:
  void SetUp() override
  {
    if (geteuid() != 0)
      GTEST_SKIP() << "needs root: the backend switches to the receiving user";
    if (testAccounts("jext").size() != 2)
      GTEST_SKIP() << "needs two local accounts made with useradd";
    static int counter;
    id = std::to_string(getpid() * 100 + ++counter);
    dir = "/tmp/.jex-" + a().uid;
    socket = dir + "/print.ag";
    // Root's file that the attacks point at: in a directory of root's own,
    // which the accounts may pass through but nobody else can write to.
    chmod(victimDir.path().c_str(), 0711);
    victim = writeFile(victimDir.file("victim"), "secret");
  }
  void TearDown() override
  {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    for (const std::string& f : listDir("/tmp", "jex-" + id))
      std::filesystem::remove_all("/tmp/" + f, ignored);
  }

  const Account& a() const { return testAccounts("jext")[0]; }
  const Account& b() const { return testAccounts("jext")[1]; }
  std::string uri(const std::string& format) const
  {
    return "DEVICE_URI=jex:/" + format + "/" + a().uid + "@ag";
  }
  void makeDir(const Account& owner, mode_t mode) const
  {
    mkdir(dir.c_str(), 0700);
    chown(dir.c_str(), owner.id, owner.gid);
    chmod(dir.c_str(), mode);
  }
  // The backend's command for this job in the environment env.
  std::vector<std::string> jex(const std::vector<std::string>& env,
                               const std::string& jobId = "",
                               const std::string& file = "",
                               const std::string& title = "My title",
                               const char* binary = JEX_BINARY) const
  {
    std::vector<std::string> args = {jobId.empty() ? id : jobId, "u", title,
                                     "1", ""};
    if (!file.empty())
      args.push_back(file);
    return targetCommand(binary, args, env);
  }

  // The failure lines at the end, the status, and nothing of the job left.
  void expectFailure(const ProcessResult& r, int status, const std::string& m)
  {
    std::string tail = "jex: " + m + "\nERROR: " + m + "\n";
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), tail.size())),
              tail);
    EXPECT_EQ(listDir(dir, "jex-" + id), std::set<std::string>());
  }

  testutil::TempDir victimDir;
  std::string id, dir, socket, victim;
};

// Each PDF job succeeds or fails with its lines, leaving nothing; either
// way no file outside the private directory is created or changed.
TEST_F(Job, AttacksRefusalsAndSettings)
{
  enum Listener { None, Agent, Root, FullQueue };
  const std::string in = "jex-" + id + ".in", ini = "jex-" + id + ".ini";
  const std::string &d = dir, &u = a().uid, &v = victim, conf = JEX_TEST_CONF;
  auto inDir = [&](const std::string& name) { return d + "/" + name; };
  auto settings = [&](const std::string& text, uid_t owner, mode_t mode) {
    return [=] {
      chown(writeFile(conf, text).c_str(), owner, 0);
      chmod(conf.c_str(), mode);
    };
  };
  struct Case {
    const char* what;
    std::function<void()> plant;
    Listener listener;
    int status;
    std::string text;      // the failure, or the manifest's title line
    bool oddTitle = false; // with control characters
  } cases[] = {
      {"links to a root file at the old names",
       [&] {
         symlink(v.c_str(), ("/tmp/" + in).c_str());
         link(v.c_str(), ("/tmp/" + ini).c_str());
       },
       Agent, 0, "Name=My title"},
      {"a link and a FIFO the user planted in the private directory",
       [&] {
         symlink(v.c_str(), inDir(in).c_str());
         mkfifo(inDir(ini).c_str(), 0600);
       },
       Agent, 0, "Name=My title"},
      {"control characters in the title", nullptr, Agent, 0, "Name=My  title ",
       true},
      {"directory squatted by another user", [&] { makeDir(b(), 0700); }, None,
       1, d + ": owned by uid " + b().uid + ", not " + u},
      {"own directory open to all", [&] { makeDir(a(), 0777); }, None, 1,
       d + ": mode 0777 lets group or others in"},
      {"directory replaced by a link",
       [&] { symlink("/nonexistent", d.c_str()); }, None, 1,
       d + ": is a symbolic link"},
      {"listener of another uid", [&] { makeDir(a(), 0700); }, Root, 1,
       d + "/print.ag is served by uid 0, not by uid " + u},
      {"no private directory", nullptr, None, 6,
       "no session agent for uid " + u + ": " + d + " is missing"},
      {"nobody listening", [&] { makeDir(a(), 0700); }, None, 6,
       "no session agent listening at " + d +
           "/print.ag (connect: No such file or directory (2))"},
      // backend.conf is used only when root alone can have written it.
      {"settings of a user", settings("HandOffTimeout=5\n", b().id, 0644),
       Agent, 1, conf + ": owned by uid " + b().uid},
      {"settings others may write", settings("HandOffTimeout=5\n", 0, 0664),
       Agent, 1, conf + ": writable by group or others"},
      {"a bad line", settings("# comment\n\nHandOffTimeout\n", 0, 0644), Agent,
       1, conf + ":3: expected Name=value"},
      {"an unknown setting", settings("NoSuchSetting=1\n", 0, 0644), Agent, 1,
       conf + ":1: unknown setting \"NoSuchSetting\""},
      {"a listener whose queue is full",
       settings("HandOffTimeout=1\nLog=*:stderr:100\n", 0, 0644), FullQueue, 6,
       "the session agent at " + socket + " accepted no connection within 1 s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<TestAgent> agent;
    if (c.listener == Agent || c.listener == FullQueue)
      agent.reset(
          new TestAgent(socket, a().id, a().gid, c.listener == Agent ? 4 : 0));
    int filler = c.listener == FullQueue ? connectTo(socket) : -1;
    if (c.plant)
      c.plant();
    if (c.listener == Root)
      agent.reset(new TestAgent(socket, 0, 0, 0));
    std::set<std::string> planted = listDir("/tmp", "jex-" + id);
    ProcessResult r = run(
        jex({uri("PDF"), "PRINTER=queue1"}, "", "",
            c.oddTitle ? "My\n\ttitle\x7f" : "My title",
            access(conf.c_str(), F_OK) == 0 ? JEX_CONFTEST_BINARY : JEX_BINARY),
        pdf);
    close(filler);
    unlink(conf.c_str());
    if (c.status == 0) {
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(agent->received(), handOff(inDir(ini)));
      EXPECT_EQ(readFile(inDir(in)), pdf);
      EXPECT_EQ(readFile(inDir(ini)),
                "[Document]\n" + c.text +
                    "\n[Device]\nDeviceName=queue1\n[PDF]\nCount=1\nFile0=" +
                    inDir(in) + "\n");
    } else {
      expectFailure(r, c.status, c.text);
    }
    EXPECT_EQ(
        c.listener == FullQueue,
        r.err.find("DEBUG: ConfigParameter: set HandOffTimeout(int) to 1") !=
            std::string::npos);
    EXPECT_EQ(listDir("/tmp", "jex-" + id), planted);
    EXPECT_EQ(readFile(victim), "secret");
    agent.reset();
    TearDown();
    writeFile(victim, "secret");
  }

  // Refused as root, before anything is made; texts of no job.
  ProcessResult r = run(targetCommand(JEX_BINARY, {}));
  EXPECT_EQ(r.out + std::to_string(r.status),
            "direct jex:/ \"JEX Printer\" \"JEX Remote Printer\"\n0");
  r = run(targetCommand(JEX_BINARY, {"1", "2", "3"}));
  EXPECT_EQ(r.err + std::to_string(r.status),
            "Usage: jex job user title num-copies options [filename]\n1");
  for (std::string uri : {"jex:/PDF/0@ag", "jex:/PDF/-0@ag", "jex:/PDF/+0@ag"})
    expectFailure(run(jex({"DEVICE_URI=" + uri})), 1,
                  "invalid device-uri '" + uri + "'");
  expectFailure(run(jex({"DEVICE_URI"})), 1, "invalid device-uri '(null)'");
  expectFailure(run(jex({uri("PDF")}, "7/../../etc/x"), pdf), 5,
                "invalid job number '7/../../etc/x'");
  expectFailure(run(jex({uri("PDF")}, "", "/nonexistent")), 5,
                "open(\"/nonexistent\", O_RDONLY): No such file or directory "
                "(2)");
}

// A full disk: a small file system over the private directory, in a
// private mount namespace (only there: the build may itself be under /tmp).
TEST_F(Job, FullDiskFailsAndLeavesNothing)
{
  std::string cmd;
  for (const std::string& w : jex({uri("PDF")}))
    cmd += "'" + w + "' ";
  ProcessResult r =
      run({"unshare", "-m", "sh", "-c",
           "mkdir -p " + dir + " && mount -t tmpfs -o size=64k,mode=0700,uid=" +
               a().uid + " tmpfs " + dir + " || exit 99; " + cmd +
               "; s=$?; ls -A " + dir + "; exit $s"},
          std::string(200000, 'x'));
  if (r.status == 99)
    GTEST_SKIP() << "needs a private mount namespace: " << r.err;
  // Status 1, and the private directory listed on standard output is empty.
  EXPECT_EQ(std::to_string(r.status) + r.out, "1") << r.err;
  EXPECT_NE(r.err.find("on device (28)\nERROR: write("), r.err.npos) << r.err;
}

#ifdef JEX_SAMPLE_RASTER

std::string sampleRaster(int pages, const std::string& size, int dpi,
                         const std::string& spaces = "rgb")
{
  return run(targetCommand(JEX_SAMPLE_RASTER,
                           {"--pages", std::to_string(pages), "--size", size,
                            "--dpi", std::to_string(dpi), "--paper", "letter",
                            "--spaces", spaces}))
      .out;
}

TEST_F(Job, RasterPagesDecodeToTheirPixels)
{
  TestAgent agent(socket, a().id, a().gid);
  ProcessResult r =
      run(jex({uri("ZRLE"), "PRINTER=q"}),
          sampleRaster(6, "130x70", 72, "rgb,w,srgb,k,adobergb,sw"));
  ASSERT_EQ(r.status, 0) << r.err;
  std::string files, base = dir + "/jex-" + id, g = std::to_string(a().gid);
  for (int n = 0; n < 6; n++)
    files += "File" + std::to_string(n) + "=" + base + "-" + std::to_string(n) +
             ".zrle\n";
  EXPECT_EQ(r.err, "jex: backend dropped privs to uid=" + a().uid +
                       ", euid=" + a().uid + ", egid=" + g + ", groups=" + g +
                       ",\n[Document]\nName=My title\n[Device]\n"
                       "DeviceName=q\n[ZRLE]\nCount=6\n" +
                       files + "jex: connecting to socket \"" + socket +
                       "\"\njex: socket connected successfully\n");
  EXPECT_EQ(agent.received(), handOff(base + ".ini"));
  for (int n = 0; n < 6; n++) {
    rfb::PageFile page =
        rfb::PageFile::load((base + "-" + std::to_string(n) + ".zrle").c_str());
    EXPECT_EQ(page.header().paperCode, 1u); // Letter
    rfb::ManagedPixelBuffer pb(rfb::PageFile::pixelFormat(), 130, 70);
    page.decode(pb);
    int wrong = 0;
    for (unsigned y = 0; y < 70; y++) {
      for (unsigned x = 0; x < 130; x++) {
        uint8_t c[3];
        jextools::samplePixel(n, x, y, c);
        if (n % 2) // grey: the red byte, inverted for k (page 3)
          c[0] = c[1] = c[2] = n == 3 ? 255 - c[0] : c[0];
        uint32_t want = (uint32_t)c[0] << 16 | (uint32_t)c[1] << 8 | c[2];
        wrong += pb.getPixel((int)x, (int)y) != want;
      }
    }
    EXPECT_EQ(wrong, 0) << "page " << n;
  }

  // Pages it cannot convert, in a file only root may read.
  struct Case {
    std::string raster, failure;
  } cases[] = {
      {sampleRaster(1, "8x8", 72, "cmyk"),
       "Page has unsupported pixel-format: cupsBitsPerColor 8, "
       "cupsBitsPerPixel 32, cupsColorSpace 6, cupsColorOrder 0"},
      {sampleRaster(1, "32768x1", 72, "w"),
       "Invalid CUPS page header: 32768x1 pixels, 32768 bytes per line"},
      {sampleRaster(3, "130x70", 72).substr(0, 5 * 130 * 70 * 3 / 2),
       "Unexpected end of CUPS page data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure);
    TearDown();
    TestAgent again(socket, a().id, a().gid);
    chmod(writeFile(victim, c.raster).c_str(), 0600);
    expectFailure(run(jex({uri("ZRLE")}, "", victim)), 5, c.failure);
  }
}

// A cancel (SIGTERM) ends the job wherever it waits and removes its files.
TEST_F(Job, CancelLeavesNothing)
{
  std::string raster = sampleRaster(3, "1200x1600", 600);
  struct Case {
    const char* what;
    std::string format, input; // then the input stays open and quiet
    std::string waitFor;       // the file of the job that shows the moment
  } cases[] = {
      {"copying from a quiet pipe", "PDF", pdf, ".in"},
      {"inside page 2", "ZRLE", raster.substr(0, raster.size() / 2), "-1.zrle"},
      {"connecting to a full queue", "PDF", pdf, ".ini"}, // the input ends
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool full = c.waitFor == ".ini";
    TestAgent agent(socket, a().id, a().gid, full ? 0 : 4);
    int filler = full ? connectTo(socket) : -1;
    std::string cmd = "exec";
    for (const std::string& w : jex({uri(c.format)}))
      cmd += " '" + w + "'";
    writeFile(victim, c.input);
    Process p({"bash", "-c",
               cmd + " < <(cat " + victim + (full ? ")" : "; sleep 20)")},
              "");
    std::string file = dir + "/jex-" + id + c.waitFor;
    for (int i = 0; i < 3000 && access(file.c_str(), F_OK) != 0; i++)
      usleep(10000);
    kill(p.pid, SIGTERM);
    ProcessResult r = p.wait();
    close(filler);
    EXPECT_EQ(r.status, 128 + SIGTERM) << r.err;
    EXPECT_EQ(listDir(dir, "jex-" + id), std::set<std::string>());
    TearDown();
  }
}

#endif // JEX_SAMPLE_RASTER

} // namespace
