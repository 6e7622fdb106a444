// Whole jobs through the backend process, as root, delivered to local test
// accounts: the attacks of a shared host, faults, cancels, and the texts
// users and CUPS see.

#include "JexTest.h"

#include "SamplePattern.h"

#include <rfb/ManagedPixelBuffer.h>
#include <rfbdec/PageFile.h>

#include <filesystem>
#include <functional>
#include <pwd.h>

using namespace jextest;

namespace {

struct Account {
  std::string name, uid;
  uid_t id;
  gid_t gid;
};
std::vector<Account> accounts;

const std::string pdf = "%PDF-1.4\nnot really a document\n%%EOF\n";

class Job : public testing::Test {
protected:
  // Two accounts of this test program alone: CTest may run several at once.
  static void SetUpTestSuite()
  {
    for (const char* suffix : {"a", "b"}) {
      if (geteuid() != 0)
        return;
      std::string name = "jext" + std::to_string(getpid()) + suffix;
      for (int i = 0; i < 20 && run({"useradd", "--system", "--no-create-home",
                                     "--shell", "/usr/sbin/nologin", name})
                                        .status != 0;
           i++)
        usleep(200000); // another program holds the account files' lock
      if (const passwd* pw = getpwnam(name.c_str()))
        accounts.push_back(
            {name, std::to_string(pw->pw_uid), pw->pw_uid, pw->pw_gid});
    }
  }
  static void TearDownTestSuite()
  {
    for (const Account& a : accounts)
      run({"userdel", a.name});
    accounts.clear();
  }

  void SetUp() override
  {
    if (geteuid() != 0)
      GTEST_SKIP() << "needs root: the backend switches to the receiving user";
    if (accounts.size() != 2)
      GTEST_SKIP() << "needs two local accounts made with useradd";
    static int counter;
    id = std::to_string(getpid() * 100 + ++counter);
    dir = "/tmp/.jex-" + a().uid;
    victim = writeFile("/tmp/jex-test-victim-" + id, "secret");
  }
  void TearDown() override
  {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    for (const std::string& f : listDir("/tmp", "jex-" + id))
      std::filesystem::remove_all("/tmp/" + f, ignored);
    unlink(victim.c_str());
  }

  const Account& a() const { return accounts[0]; }
  const Account& b() const { return accounts[1]; }
  std::string socket() const { return dir + "/print.ag"; }
  std::string uri(const std::string& format) const
  {
    return "DEVICE_URI=jex:/" + format + "/" + a().uid + "@ag";
  }
  std::set<std::string> jobFilesInDir() const
  {
    return listDir(dir, "jex-" + id);
  }

  Process start(const std::vector<std::string>& env, const std::string& input,
                bool feedByPipe = false, const std::string& title = "My title",
                const char* binary = JEX_BINARY)
  {
    return Process(targetCommand(binary, {id, "alice", title, "1", ""}), env,
                   input, feedByPipe);
  }

  // Expects the failure lines, nothing of the job left, and the status.
  void expectFailure(const ProcessResult& r, int status,
                     const std::string& message)
  {
    std::string tail = "jex: " + message + "\nERROR: " + message + "\n";
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_TRUE(r.err.size() >= tail.size() &&
                r.err.compare(r.err.size() - tail.size(), tail.size(), tail) ==
                    0)
        << r.err << "\nexpected the end:\n"
        << tail;
    EXPECT_EQ(jobFilesInDir(), std::set<std::string>());
  }

  std::string id, dir, victim;
};

std::string lengthPrefixed(const std::string& s)
{
  uint32_t n = (uint32_t)s.size();
  return std::string{(char)(n >> 24), (char)(n >> 16), (char)(n >> 8),
                     (char)n} +
         s;
}

TEST_F(Job, AttacksOfOtherUsersAndBadInput)
{
  enum Listener { None, Agent, Root };
  auto privateDir = [this](uid_t uid, gid_t gid, mode_t mode) {
    mkdir(dir.c_str(), 0700);
    chown(dir.c_str(), uid, gid);
    chmod(dir.c_str(), mode);
  };
  const std::string in = "jex-" + id + ".in", ini = "jex-" + id + ".ini";
  const std::string d = dir, u = a().uid;
  struct Case {
    const char* what;
    std::function<void()> plant;
    Listener listener;
    std::string env; // "" is a PDF job for account a
    int status;
    std::string failure; // for a delivered job: the title's manifest line
  } cases[] = {
      {"links to a root file at the old names",
       [&] {
         symlink(victim.c_str(), ("/tmp/" + in).c_str());
         link(victim.c_str(), ("/tmp/" + ini).c_str());
       },
       Agent, "", 0, "Name=My title"},
      {"a FIFO and a directory at the old names",
       [&] {
         mkfifo(("/tmp/" + in).c_str(), 0666);
         mkdir(("/tmp/" + ini).c_str(), 0777);
       },
       Agent, "", 0, "Name=My title"},
      {"a link and a FIFO the user planted in the private directory",
       [&] {
         symlink(victim.c_str(), (dir + "/" + in).c_str());
         mkfifo((dir + "/" + ini).c_str(), 0600);
       },
       Agent, "", 0, "Name=My title"},
      {"control characters in the title", nullptr, Agent, "TITLE", 0,
       "Name=My  title "},
      {"directory squatted by another user",
       [&] { privateDir(b().id, b().gid, 0700); }, None, "", 1,
       d + ": owned by uid " + b().uid + ", not " + u},
      {"own directory open to all", [&] { privateDir(a().id, a().gid, 0777); },
       None, "", 1, d + ": mode 0777 lets group or others in"},
      {"directory replaced by a link", [&] { symlink("/tmp", d.c_str()); },
       None, "", 1, d + ": is a symbolic link"},
      {"listener of another uid", [&] { privateDir(a().id, a().gid, 0700); },
       Root, "", 1, d + "/print.ag is served by uid 0, not by uid " + u},
      {"uid 0", nullptr, None, "DEVICE_URI=jex:/PDF/0@ag", 1,
       "invalid device-uri 'jex:/PDF/0@ag'"},
      {"uid -0", nullptr, None, "DEVICE_URI=jex:/PDF/-0@ag", 1,
       "invalid device-uri 'jex:/PDF/-0@ag'"},
      {"uid +0", nullptr, None, "DEVICE_URI=jex:/PDF/+0@ag", 1,
       "invalid device-uri 'jex:/PDF/+0@ag'"},
      {"no URI", nullptr, None, "DEVICE_URI", 1, "invalid device-uri '(null)'"},
      {"no private directory", nullptr, None, "", 6,
       "no session agent for uid " + u + ": " + d + " is missing"},
      {"nobody listening", [&] { privateDir(a().id, a().gid, 0700); }, None, "",
       6,
       "no session agent listening at " + d +
           "/print.ag (connect: No such file or directory (2))"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<TestAgent> agent;
    if (c.listener == Agent)
      agent.reset(new TestAgent(socket(), a().id, a().gid));
    if (c.plant)
      c.plant();
    if (c.listener == Root)
      agent.reset(new TestAgent(socket(), 0, 0, TestAgent::NoAccept));
    std::set<std::string> planted = listDir("/tmp", "jex-" + id);
    bool title = c.env == "TITLE";
    ProcessResult r =
        start({title || c.env.empty() ? uri("PDF") : c.env, "PRINTER=queue1"},
              pdf, false, title ? "My\n\ttitle\x7f" : "My title")
            .wait();
    if (c.status == 0) {
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(agent->received(), lengthPrefixed(dir + "/" + ini));
      EXPECT_EQ(readFile(dir + "/" + in), pdf);
      EXPECT_EQ(readFile(dir + "/" + ini),
                "[Document]\n" + c.failure +
                    "\n[Device]\nDeviceName=queue1\n[PDF]\nCount=1\nFile0=" +
                    dir + "/" + in + "\n");
      for (const std::string& f : {in, ini}) {
        struct stat st;
        lstat((dir + "/" + f).c_str(), &st);
        EXPECT_TRUE(S_ISREG(st.st_mode) && st.st_uid == a().id &&
                    (st.st_mode & 0777) == 0600)
            << f;
      }
    } else {
      expectFailure(r, c.status, c.failure);
    }
    EXPECT_EQ(listDir("/tmp", "jex-" + id), planted);
    EXPECT_EQ(readFile(victim), "secret");
    agent.reset();
    TearDown();
    victim = writeFile(victim, "secret");
  }

  // A job id that would reach outside the directory, and input that
  // cannot be read: refused as root, before anything is made.
  ProcessResult r =
      run(targetCommand(JEX_BINARY, {"7/../../etc/x", "u", "t", "1", ""}),
          {uri("PDF")}, pdf);
  expectFailure(r, 4, "invalid job number '7/../../etc/x'");
  r = run(targetCommand(JEX_BINARY, {id, "u", "t", "1", "", "/nonexistent"}),
          {uri("PDF")}, pdf);
  expectFailure(r, 4,
                "open(\"/nonexistent\", O_RDONLY): No such file or directory "
                "(2)");
  EXPECT_EQ(listDir("/tmp", "jex-" + id), std::set<std::string>());
}

// backend.conf is used only when root alone can have written it.
TEST_F(Job, SettingsFile)
{
  struct Case {
    std::string text;
    uid_t owner;
    mode_t mode;
    std::string failure;
  } cases[] = {
      {"HandOffTimeout=5\n", b().id, 0644, ": owned by uid " + b().uid},
      {"HandOffTimeout=5\n", 0, 0664, ": writable by group or others"},
      {"# comment\n\nHandOffTimeout\n", 0, 0644, ":3: expected Name=value"},
      {"NoSuchSetting=1\n", 0, 0644, ":1: unknown setting \"NoSuchSetting\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    writeFile(JEX_TEST_CONF, c.text);
    chown(JEX_TEST_CONF, c.owner, 0);
    chmod(JEX_TEST_CONF, c.mode);
    TestAgent agent(socket(), a().id, a().gid);
    ProcessResult r =
        start({uri("PDF")}, pdf, false, "t", JEX_CONFTEST_BINARY).wait();
    expectFailure(r, 1, JEX_TEST_CONF + c.failure);
  }

  // A listener whose queue is full holds the job only as long as allowed.
  writeFile(JEX_TEST_CONF, "HandOffTimeout=1\nLog=*:stderr:100\n");
  chown(JEX_TEST_CONF, 0, 0);
  chmod(JEX_TEST_CONF, 0644);
  TestAgent agent(socket(), a().id, a().gid, TestAgent::NoAccept);
  int filler = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  strcpy(addr.sun_path, socket().c_str());
  ASSERT_EQ(connect(filler, (sockaddr*)&addr, sizeof(addr)), 0);
  ProcessResult r =
      start({uri("PDF")}, pdf, false, "t", JEX_CONFTEST_BINARY).wait();
  close(filler);
  unlink(JEX_TEST_CONF);
  EXPECT_NE(r.err.find("DEBUG: ConfigParameter: set HandOffTimeout(int) to 1"),
            std::string::npos);
  expectFailure(r, 6,
                "the session agent at " + socket() +
                    " accepted no connection within 1 s");
}

// A full disk in a private mount namespace: a small /tmp.
TEST_F(Job, FullDiskFailsAndLeavesNothing)
{
  std::string jex;
  for (const std::string& w : targetCommand(JEX_BINARY, {}))
    jex += "'" + w + "' ";
  std::string script =
      "mount -t tmpfs -o size=64k tmpfs /tmp && mkdir -m 700 " + dir +
      " && chown " + a().uid + " " + dir + " || exit 99; " + jex + id +
      " u t 1 ''; s=$?; ls -A " + dir + "; exit $s";
  ProcessResult r = run({"unshare", "-m", "sh", "-c", script}, {uri("PDF")},
                        std::string(200000, 'x'));
  if (r.status == 99)
    GTEST_SKIP() << "needs a private mount namespace: " << r.err;
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("No space left on device (28)\nERROR: write("),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.out, ""); // the private directory is empty
}

#ifdef JEX_SAMPLE_RASTER

std::string sampleRaster(int pages, const std::string& size, int dpi)
{
  return run(targetCommand(JEX_SAMPLE_RASTER,
                           {"--pages", std::to_string(pages), "--size", size,
                            "--dpi", std::to_string(dpi), "--paper", "letter"}))
      .out;
}

TEST_F(Job, RasterPagesDecodeToTheirPixels)
{
  std::string raster = sampleRaster(3, "130x70", 72);
  TestAgent agent(socket(), a().id, a().gid);
  ProcessResult r = start({uri("ZRLE"), "PRINTER=q"}, raster).wait();
  ASSERT_EQ(r.status, 0) << r.err;
  std::string pages, base = dir + "/jex-" + id;
  for (int n = 0; n < 3; n++)
    pages += "File" + std::to_string(n) + "=" + base + "-" + std::to_string(n) +
             ".zrle\n";
  std::string g = std::to_string(a().gid);
  EXPECT_EQ(r.err, "jex: backend dropped privs to uid=" + a().uid +
                       ", euid=" + a().uid + ", egid=" + g + ", groups=" + g +
                       ",\n[Document]\nName=My title\n[Device]\n"
                       "DeviceName=q\n[ZRLE]\nCount=3\n" +
                       pages + "jex: connecting to socket \"" + socket() +
                       "\"\njex: socket connected successfully\n");
  EXPECT_EQ(agent.received(), lengthPrefixed(base + ".ini"));
  for (int n = 0; n < 3; n++) {
    rfb::PageFile page =
        rfb::PageFile::load((base + "-" + std::to_string(n) + ".zrle").c_str());
    EXPECT_EQ(page.header().paperCode, 1u); // Letter
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

  // Cut inside the third page: the job can never print.
  TearDown();
  TestAgent again(socket(), a().id, a().gid);
  r = start({uri("ZRLE")}, raster.substr(0, raster.size() * 5 / 6)).wait();
  expectFailure(r, 4, "Unexpected end of CUPS page data");
}

// A cancel (SIGTERM) ends the job wherever it waits and removes its files.
TEST_F(Job, CancelLeavesNothing)
{
  std::string raster = sampleRaster(3, "1200x1600", 600);
  struct Case {
    const char* what;
    std::string format, input; // fed before the cancel; the pipe stays open
    std::string waitFor;       // a file of the job that shows the moment
    TestAgent::Mode agent;
  } cases[] = {
      {"copying from a quiet pipe", "PDF", pdf, ".in", TestAgent::Read},
      {"inside page 2", "ZRLE", raster.substr(0, raster.size() / 2), "-1.zrle",
       TestAgent::Read},
      {"connecting to a full queue", "PDF", pdf, ".ini", TestAgent::NoAccept},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestAgent agent(socket(), a().id, a().gid, c.agent);
    int filler = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    strcpy(addr.sun_path, socket().c_str());
    if (c.agent == TestAgent::NoAccept)
      connect(filler, (sockaddr*)&addr, sizeof(addr));
    Process p = start({uri(c.format)}, "", true);
    p.feed(c.input);
    if (c.waitFor == ".ini")
      p.closeInput(); // the copy ends, the hand-off waits
    std::string file = dir + "/jex-" + id + c.waitFor;
    EXPECT_TRUE(eventually([&] { return access(file.c_str(), F_OK) == 0; }));
    kill(p.pid, SIGTERM);
    ProcessResult r = p.wait();
    close(filler);
    EXPECT_EQ(r.status, 128 + SIGTERM) << r.err;
    EXPECT_EQ(jobFilesInDir(), std::set<std::string>());
  }
}

#endif // JEX_SAMPLE_RASTER

} // namespace
