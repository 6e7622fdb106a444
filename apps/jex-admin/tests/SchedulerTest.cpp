// The queue helper, the doctor and the backend under a real, private CUPS
// scheduler (scripts/private-cupsd.sh), with local accounts made for the
// run. Needs root and the CUPS daemon; skips with the reason otherwise.

#include <gtest/gtest.h>

#ifdef JEX_AGENT
#include <cups/raster.h>
#include <fcntl.h>
#include <png.h>
#include <vector>
#endif

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Shell {
  int status;
  std::string out; // standard output and error
};

Shell sh(const std::string& cmd)
{
  Shell r{-1, ""};
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  if (!p)
    return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0)
    r.out.append(buf, n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

bool contains(const std::string& s, const std::string& part)
{
  return s.find(part) != std::string::npos;
}

class Scheduler : public ::testing::Test {
protected:
  static std::string skip_, dir_, user_, uid_;

  static void SetUpTestSuite()
  {
    if (geteuid() != 0) {
      skip_ = "needs root (a private cupsd and local accounts)";
      return;
    }
    if (sh("command -v cupsd lpadmin useradd").status != 0) {
      skip_ = "needs cupsd, the CUPS client programs and useradd";
      return;
    }
    char tmpl[] = "/tmp/jex-sched-XXXXXX";
    dir_ = mkdtemp(tmpl);
    Shell r = sh(std::string(JEX_PRIVATE_CUPSD) + " start " + dir_ + " " +
                 JEX_BACKEND);
    ASSERT_EQ(r.status, 0) << r.out;
    setenv("CUPS_SERVER", (dir_ + "/run/cups.sock").c_str(), 1);
    setenv("JEX_PPD_DIR", JEX_PPD_DIR, 1);
    setenv("JEX_BACKEND", (dir_ + "/bin/backend/jex").c_str(), 1);
    setenv("JEX_PROBE", JEX_PROBE, 1);
    user_ = "jexadm" + std::to_string(getpid() % 100000);
    r = sh("useradd -m -d " + dir_ + "/home -s /bin/false " + user_);
    ASSERT_EQ(r.status, 0) << r.out;
    uid_ = sh("id -u " + user_).out;
    uid_.pop_back();
  }

  static void TearDownTestSuite()
  {
    if (dir_.empty())
      return;
    sh(std::string(JEX_PRIVATE_CUPSD) + " stop " + dir_);
    if (!user_.empty()) {
      sh("pkill -u " + user_ + "; userdel " + user_);
      sh("rm -rf /tmp/.jex-" + uid_);
    }
    sh("rm -rf " + dir_);
  }

  void SetUp() override
  {
    if (!skip_.empty())
      GTEST_SKIP() << skip_;
    sh("rm -rf /tmp/.jex-" + uid_);
  }
  void TearDown() override { sh(std::string(JEX_QUEUE) + " remove " + user_); }

  static Shell queue(const std::string& args)
  {
    return sh(std::string(JEX_QUEUE) + " " + args);
  }
  static Shell doctor() { return sh(std::string(JEX_DOCTOR) + " " + user_); }

  static std::string asUser(const std::string& cmd)
  {
    return "setpriv --reuid=" + user_ + " --regid=" + user_ +
           " --init-groups " + cmd;
  }
  // Waits until the queue has no pending or processing job.
  static bool waitIdle(const std::string& queue, int seconds = 60)
  {
    for (int i = 0; i < seconds * 5; i++) {
      if (sh("lpstat -o " + queue).out.empty())
        return true;
      usleep(200000);
    }
    return false;
  }
  // Prints file as the test user; returns the job id.
  static std::string print(const std::string& queue, const std::string& file,
                           const std::string& options = "")
  {
    std::string out =
        sh(asUser("lp -d " + queue + " " + options + " " + file)).out;
    size_t dash = out.find(queue + "-");
    return dash == std::string::npos
               ? "?"
               : std::to_string(atoi(out.c_str() + dash + queue.size() + 1));
  }
  static bool completed(const std::string& job)
  {
    return sh("grep -q '\\[Job " + job + "\\] Job completed' " + dir_ +
              "/log/error_log")
               .status == 0;
  }
  static std::string spoolDir() { return "/tmp/.jex-" + uid_; }

  // A listener of the test user on its agent socket, as an agent makes it;
  // returns its pid. It serves until killed.
  pid_t startListener(const std::string& name)
  {
    int ready[2];
    if (pipe(ready) != 0)
      return -1;
    pid_t pid = fork();
    if (pid == 0) {
      uid_t uid = std::stoul(uid_);
      std::string path = "/tmp/.jex-" + uid_;
      if (setgid(uid) != 0 || setuid(uid) != 0 ||
          mkdir(path.c_str(), 0700) != 0)
        _exit(1);
      path += "/print." + name;
      sockaddr_un addr{};
      addr.sun_family = AF_UNIX;
      snprintf(addr.sun_path, sizeof(addr.sun_path), "%s", path.c_str());
      int fd = socket(AF_UNIX, SOCK_STREAM, 0);
      if (bind(fd, (sockaddr*)&addr, sizeof(addr)) != 0 || listen(fd, 8) != 0)
        _exit(1);
      (void)!write(ready[1], "x", 1);
      // Takes each hand-off whole, as an agent does, and drops it.
      for (;;) {
        int c = accept(fd, nullptr, nullptr);
        char buf[512];
        while (read(c, buf, sizeof(buf)) > 0) {
        }
        close(c);
      }
    }
    close(ready[1]);
    char c;
    bool ok = read(ready[0], &c, 1) == 1;
    close(ready[0]);
    return ok ? pid : -1;
  }
};

std::string Scheduler::skip_, Scheduler::dir_, Scheduler::user_,
    Scheduler::uid_;

TEST_F(Scheduler, QueueHelperAddsListsAndRemoves)
{
  Shell r = queue("add " + user_);
  ASSERT_EQ(r.status, 0) << r.out;
  ASSERT_EQ(queue("add " + user_ + " --format pdf --agent desk --queue " +
                  user_ + "-pdf")
                .status,
            0);
  ASSERT_EQ(
      queue("add " + user_ + " --format ps --queue " + user_ + "-ps").status,
      0);

  std::string list = queue("list").out;
  EXPECT_TRUE(contains(list, "jex-" + user_)) << list;
  EXPECT_TRUE(contains(list, user_ + "-ps")) << list;
  EXPECT_TRUE(contains(list, "PS     agent")) << list;
  EXPECT_TRUE(contains(list, "PDF    desk")) << list;

  // Enabled, accepting, private to the user, with the format's PPD.
  std::string q = "jex-" + user_;
  EXPECT_TRUE(contains(sh("LC_ALL=C lpstat -p " + q).out, "enabled"));
  EXPECT_TRUE(contains(sh("LC_ALL=C lpstat -a " + q).out, "accepting"));
  std::string info = sh("LC_ALL=C lpstat -l -p " + q).out;
  EXPECT_TRUE(contains(info, "Users allowed:\n\t\t" + user_)) << info;
  std::string opts = sh("lpoptions -p " + q).out;
  EXPECT_TRUE(contains(opts, "device-uri=jex:/ZRLE/" + uid_ + "@agent"))
      << opts;
  EXPECT_TRUE(contains(opts, "printer-is-shared=false")) << opts;
  EXPECT_TRUE(contains(opts, "ZRLE pages")) << opts;

  r = queue("remove " + user_);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_FALSE(contains(queue("list").out, user_));
  EXPECT_NE(queue("remove " + user_).status, 0);
}

TEST_F(Scheduler, QueueHelperRefusesRootAndUnknownUsers)
{
  Shell r = queue("add root");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "delivered as root")) << r.out;
  r = queue("add jex-no-such-user");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "no such user: jex-no-such-user")) << r.out;
  EXPECT_EQ(queue("add " + user_ + " --format png").status, 1);
  EXPECT_EQ(queue("list").out.find("uid 0"), std::string::npos);
}

TEST_F(Scheduler, DoctorFindsEverythingInOrder)
{
  ASSERT_EQ(queue("add " + user_).status, 0);
  pid_t agent = startListener("agent");
  ASSERT_GT(agent, 0);
  Shell r = doctor();
  kill(agent, SIGTERM);
  waitpid(agent, nullptr, 0);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_FALSE(contains(r.out, "FAIL")) << r.out;
  EXPECT_TRUE(contains(r.out, "OK    agent 'agent' of " + user_ + " answers"))
      << r.out;
  EXPECT_TRUE(contains(r.out, "lists the jex device")) << r.out;
}

TEST_F(Scheduler, DoctorFindsBrokenSetups)
{
  ASSERT_EQ(queue("add " + user_).status, 0);
  // No agent has run yet.
  Shell r = doctor();
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "does not exist: no agent has run")) << r.out;

  // A directory squatted by someone else, and a queue anyone may print to.
  std::string dir = "/tmp/.jex-" + uid_;
  ASSERT_EQ(mkdir(dir.c_str(), 0777), 0);
  chmod(dir.c_str(), 0777);
  sh("lpadmin -p jex-" + user_ + " -u allow:all");
  r = doctor();
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "FAIL  " + dir + ": owner root, mode 0777"))
      << r.out;
  EXPECT_TRUE(contains(r.out, "fix: rm -rf " + dir)) << r.out;
  EXPECT_TRUE(contains(r.out, "takes jobs from any user")) << r.out;

  // A backend cupsd would run as lp, which cannot deliver to users.
  std::string backend = dir_ + "/bin/backend/jex";
  chmod(backend.c_str(), 0755);
  r = doctor();
  chmod(backend.c_str(), 0700);
  EXPECT_TRUE(
      contains(r.out, "FAIL  backend " + backend + ": owner root, mode 0755"))
      << r.out;
}

// A raster the backend must refuse (its colour space says CMYK) is dropped,
// the queue goes on and the next job is delivered.
TEST_F(Scheduler, FailedJobLeavesQueueGoing)
{
  ASSERT_EQ(queue("add " + user_).status, 0);
  pid_t agent = startListener("agent");
  ASSERT_GT(agent, 0);
  std::string ras = dir_ + "/hostile.ras", q = "jex-" + user_;
  sh(std::string(JEX_SAMPLE_RASTER) + " --pages 2 --size 200x300 --dpi 75 > " +
     ras + " && printf '\\006\\000\\000\\000' | dd of=" + ras +
     " bs=1 seek=404 conv=notrunc status=none && chmod 644 " + ras);
  std::string hostile = print(q, ras, "-o raw");
  EXPECT_TRUE(waitIdle(q));
  EXPECT_TRUE(contains(sh("LC_ALL=C lpstat -p " + q).out, "enabled"));

  std::string good = dir_ + "/good.ras";
  sh(std::string(JEX_SAMPLE_RASTER) + " --pages 1 --size 200x300 --dpi 75 > " +
     good + " && chmod 644 " + good);
  std::string next = print(q, good, "-o raw");
  EXPECT_TRUE(waitIdle(q));
  kill(agent, SIGTERM);
  waitpid(agent, nullptr, 0);
  EXPECT_FALSE(completed(hostile));
  EXPECT_TRUE(completed(next));
  EXPECT_EQ(sh("ls " + spoolDir()).out, "print.agent\n");
}

// No agent: the job waits with the reason shown, the queue stays enabled,
// and the job is delivered once an agent listens.
TEST_F(Scheduler, JobWaitsForAgent)
{
  ASSERT_EQ(queue("add " + user_ + " --format pdf").status, 0);
  std::string q = "jex-" + user_;
  std::string pdf = dir_ + "/wait.pdf";
  sh("printf '%%!PS\\nshowpage\\n' | gs -q -dSAFER -sDEVICE=pdfwrite -o " +
     pdf + " - && chmod 644 " + pdf);
  std::string job = print(q, pdf);
  std::string state;
  for (int i = 0; i < 100 && !contains(state, "agent"); i++) {
    usleep(200000);
    state = sh("LC_ALL=C lpstat -p " + q).out;
  }
  EXPECT_TRUE(contains(state, "enabled")) << state;
  EXPECT_TRUE(contains(state, "agent")) << state;
  EXPECT_FALSE(sh("lpstat -o " + q).out.empty());

  pid_t agent = startListener("agent");
  ASSERT_GT(agent, 0);
  EXPECT_TRUE(waitIdle(q));
  kill(agent, SIGTERM);
  waitpid(agent, nullptr, 0);
  EXPECT_TRUE(contains(sh("ls " + spoolDir()).out, ".pdf") ||
              contains(sh("ls " + spoolDir()).out, ".in"));
}

#ifdef JEX_AGENT

// The pages of a CUPS raster file, 8-bit RGB rows packed.
std::vector<std::vector<unsigned char>> readRaster(const std::string& path)
{
  std::vector<std::vector<unsigned char>> pages;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  cups_raster_t* r = cupsRasterOpen(fd, CUPS_RASTER_READ);
  cups_page_header2_t h;
  while (r && cupsRasterReadHeader2(r, &h)) {
    std::vector<unsigned char> page(size_t(h.cupsBytesPerLine) * h.cupsHeight);
    if (cupsRasterReadPixels(r, page.data(), page.size()) != page.size())
      break;
    pages.push_back(std::move(page));
  }
  cupsRasterClose(r);
  close(fd);
  return pages;
}

std::vector<unsigned char> readPng(const std::string& path)
{
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  std::vector<unsigned char> rgb;
  if (!png_image_begin_read_from_file(&img, path.c_str()))
    return rgb;
  img.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr))
    rgb.clear();
  return rgb;
}

class Delivery : public Scheduler {
protected:
  pid_t agent_ = 0;
  std::string out_;

  void SetUp() override
  {
    Scheduler::SetUp();
    if (IsSkipped())
      return;
    out_ = dir_ + "/home/Printouts";
    sh("rm -rf " + out_);
    agent_ = atoi(
        sh(asUser("env HOME=" + dir_ + "/home " JEX_AGENT " OutputDir=" + out_ +
                  " >" + dir_ + "/agent.log 2>&1 & echo $!"))
            .out.c_str());
    for (int i = 0;
         i < 50 && access((spoolDir() + "/print.agent").c_str(), F_OK) != 0;
         i++)
      usleep(100000);
  }
  void TearDown() override
  {
    if (agent_ > 0)
      kill(agent_, SIGTERM);
    sh("sleep 0.5");
    Scheduler::TearDown();
  }
  // The one delivered folder whose name ends with title.
  std::string folder(const std::string& title)
  {
    std::string f = sh("ls -d '" + out_ + "'/*' " + title + "'").out;
    return f.empty() ? f : f.substr(0, f.size() - 1);
  }
  std::string twoPagePdf()
  {
    std::string pdf = dir_ + "/two.pdf";
    sh("printf '%%!PS\\n/Helvetica findfont 30 scalefont setfont\\n"
       "1 1 2 { 0.2 0.5 0.9 setrgbcolor 72 400 300 200 rectfill 0 setgray\\n"
       "72 700 moveto (Page) show 2 string cvs show showpage } for\\n' | "
       "gs -q -dSAFER -sDEVICE=pdfwrite -sPAPERSIZE=a4 -o " +
       pdf + " - && chmod 644 " + pdf);
    return pdf;
  }
};

TEST_F(Delivery, PdfArrivesAsPngPagesAndAsDocuments)
{
  ASSERT_EQ(queue("add " + user_).status, 0);
  ASSERT_EQ(
      queue("add " + user_ + " --format pdf --queue " + user_ + "-pdf").status,
      0);
  ASSERT_EQ(
      queue("add " + user_ + " --format ps --queue " + user_ + "-ps").status,
      0);
  std::string pdf = twoPagePdf();
  print("jex-" + user_, pdf, "-t pages -o Resolution=150dpi");
  print(user_ + "-pdf", pdf, "-t document");
  print(user_ + "-ps", pdf, "-t postscript");
  for (std::string q : {"jex-" + user_, user_ + "-pdf", user_ + "-ps"})
    ASSERT_TRUE(waitIdle(q, 120)) << q;
  sh("sleep 1"); // the agent delivers after the hand-off

  // The pages equal CUPS's own rendering of the same document.
  std::string ref = dir_ + "/ref.ras";
  sh("cupsfilter -p " JEX_PPD_DIR
     "/jex-zrle.ppd -m application/vnd.cups-raster "
     "-o Resolution=150dpi " +
     pdf + " > " + ref);
  auto pages = readRaster(ref);
  ASSERT_EQ(pages.size(), 2u);
  std::string f = folder("pages");
  ASSERT_FALSE(f.empty())
      << sh("ls -R " + out_ + "; cat " + dir_ + "/agent.log").out;
  for (size_t i = 0; i < pages.size(); i++)
    EXPECT_TRUE(readPng(f + "/page-" + std::to_string(i + 1) + ".png") ==
                pages[i])
        << i;
  EXPECT_TRUE(
      contains(sh("pdfinfo '" + f + "/pages.pdf'").out, "Pages:          2"));

  f = folder("document");
  EXPECT_TRUE(
      contains(sh("pdfinfo '" + f + "/document.pdf'").out, "Pages:          2"))
      << f;
  f = folder("postscript");
  EXPECT_EQ(sh("head -c 4 '" + f + "/postscript.ps'").out, "%!PS") << f;
}

// A job cancelled while the backend converts it leaves nothing behind.
TEST_F(Delivery, CancelledJobLeavesNothing)
{
  ASSERT_EQ(queue("add " + user_).status, 0);
  std::string q = "jex-" + user_;
  std::string job =
      print(q, twoPagePdf(), "-o Resolution=600dpi -o PageSize=A3 -n 4");
  for (int i = 0; i < 300 && !contains(sh("ls " + spoolDir()).out, ".zrle");
       i++)
    usleep(100000);
  ASSERT_TRUE(contains(sh("ls " + spoolDir()).out, ".zrle"));
  sh("cancel " + job);
  EXPECT_TRUE(waitIdle(q));
  sh("sleep 1");
  EXPECT_EQ(sh("ls " + spoolDir()).out, "print.agent\n");
  EXPECT_EQ(sh("ls " + out_ + " 2>/dev/null").out, "");
}

#endif

} // namespace
