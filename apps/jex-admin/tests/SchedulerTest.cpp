// The queue helper, the doctor and whole jobs under a real, private CUPS
// scheduler (scripts/private-cupsd.sh), printed by a local account made for
// the run. Needs root and the CUPS daemon; skips with the reason otherwise.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifdef JEX_AGENT
#include <cups/raster.h>
#include <fcntl.h>
#include <png.h>
#endif

namespace {

// Runs a shell command; returns its exit status and its output and errors.
std::pair<int, std::string> run(const std::string& cmd)
{
  std::string out;
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  char buf[4096];
  for (size_t n; p && (n = fread(buf, 1, sizeof(buf), p)) > 0;)
    out.append(buf, n);
  int st = p ? pclose(p) : -1;
  return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out};
}
std::string sh(const std::string& cmd)
{
  return run(cmd).second;
}
bool has(const std::string& s, const std::string& part)
{
  return s.find(part) != s.npos;
}

// Runs cmd again every 0.2 s until it succeeds, at most `times` times (other
// test programs lock the account files for a while).
std::string retried(const std::string& cmd, int times = 50)
{
  return "(for i in $(seq " + std::to_string(times) + "); do " + cmd +
         " && exit 0; sleep 0.2; done; exit 1)";
}

class Scheduler : public ::testing::Test {
protected:
  // user_ prints; asUser_ runs a command as user_; spool_ is its agent's
  // directory; pdf_ a two-page document.
  static inline std::string skip_, dir_, user_, asUser_, spool_, pdf_;

  static void SetUpTestSuite()
  {
    if (geteuid() != 0)
      skip_ = "needs root (a private cupsd and a local account)";
    else if (run("command -v cupsd cupsfilter gs pdfinfo useradd").first)
      skip_ = "needs the CUPS daemon, clients and filters, ghostscript and "
              "poppler-utils";
    if (!skip_.empty())
      return;
    char tmpl[] = "/tmp/jex-sched-XXXXXX";
    dir_ = mkdtemp(tmpl);
    user_ = "jexadm" + std::to_string(getpid() % 100000);
    asUser_ =
        "setpriv --reuid=" + user_ + " --regid=" + user_ + " --init-groups ";
    pdf_ = dir_ + "/two.pdf";
    auto r = run(JEX_PRIVATE_CUPSD " start " + dir_ + " " JEX_BACKEND + " && " +
                 retried("useradd -m -d " + dir_ + "/home " + user_) +
                 " && gs -q -dSAFER -sDEVICE=pdfwrite -sPAPERSIZE=a4 -o " +
                 pdf_ + " " JEX_TEST_DATA "/two-pages.ps && chmod 644 " + pdf_);
    ASSERT_EQ(r.first, 0) << r.second;
    spool_ = "/tmp/.jex-" + sh("id -u " + user_ + " | tr -d '\\n'");
    setenv("CUPS_SERVER", (dir_ + "/run/cups.sock").c_str(), 1);
    setenv("JEX_PPD_DIR", JEX_PPD_DIR, 1);
    setenv("JEX_BACKEND", (dir_ + "/bin/backend/jex").c_str(), 1);
    setenv("JEX_PROBE", JEX_PROBE, 1);
  }

  static void TearDownTestSuite()
  {
    if (!dir_.empty())
      sh(JEX_PRIVATE_CUPSD " stop " + dir_ + "; pkill -u " + user_ +
         "; sleep 0.5; " + retried("userdel " + user_) + "; rm -rf " + spool_ +
         " " + dir_);
  }

  void SetUp() override
  {
    if (!skip_.empty())
      GTEST_SKIP() << skip_;
    sh("rm -rf " + spool_ + " " + dir_ + "/home/Printouts");
  }
  void TearDown() override
  {
    sh("pkill -u " + user_ + "; " JEX_QUEUE " remove " + user_);
  }

  static void addQueue(const std::string& args)
  {
    sh(JEX_QUEUE " add " + user_ + " " + args);
  }
  // Prints file as user_; returns the job id.
  static std::string print(const std::string& queue, const std::string& file,
                           const std::string& options = "")
  {
    return sh(asUser_ + "lp -d " + queue + " " + options + " " + file +
              " | sed 's/.*-\\([0-9]*\\) .*/\\1/' | tr -d '\\n'");
  }
  static bool completed(const std::string& job)
  {
    return !run("grep -q '\\[Job " + job + "\\] Job completed' " + dir_ +
                "/log/error_log")
                .first;
  }
  // Polls a shell condition for up to a minute.
  static bool waitFor(const std::string& cond)
  {
    return !run(retried(cond, 300)).first;
  }
  static bool idle(const std::string& queue)
  {
    return waitFor("[ -z \"$(lpstat -o " + queue + ")\" ]");
  }
};

TEST_F(Scheduler, QueueHelperAddsListsAndRemoves)
{
  addQueue("");
  addQueue("--format pdf --agent desk --queue " + user_ + "-pdf");
  std::string list = sh(JEX_QUEUE " list");
  EXPECT_TRUE(has(list, "jex-" + user_) && has(list, user_ + "-pdf") &&
              has(list, "PDF    desk"))
      << list;

  // Enabled, accepting, private to the user, with the format's PPD.
  std::string q = "jex-" + user_;
  std::string state = sh("LC_ALL=C lpstat -l -p " + q + "; lpstat -a " + q);
  EXPECT_TRUE(has(state, "enabled") && has(state, "accepting")) << state;
  EXPECT_TRUE(has(state, "Users allowed:\n\t\t" + user_ + "\n")) << state;
  std::string opts = sh("lpoptions -p " + q);
  EXPECT_TRUE(has(opts, "printer-is-shared=false") && has(opts, "ZRLE pages") &&
              has(opts, "device-uri=jex:/ZRLE/" + spool_.substr(10) + "@agent"))
      << opts;

  EXPECT_TRUE(has(sh(JEX_QUEUE " add root"), "delivered as root"));
  EXPECT_TRUE(
      has(sh(JEX_QUEUE " add nosuchjexuser"), "no such user: nosuchjexuser"));
  EXPECT_EQ(run(JEX_QUEUE " add " + user_ + " --format png").first, 1);

  EXPECT_EQ(run(JEX_QUEUE " remove " + user_ + "-pdf").first, 0);
  EXPECT_TRUE(has(sh(JEX_QUEUE " list"), "jex-" + user_));
  EXPECT_EQ(run(JEX_QUEUE " remove " + user_).first, 0);
  EXPECT_FALSE(has(sh(JEX_QUEUE " list"), user_));
  EXPECT_EQ(run(JEX_QUEUE " remove " + user_).first, 1);
}

TEST_F(Scheduler, DoctorFindsBrokenSetups)
{
  addQueue("");
  auto r = run(JEX_DOCTOR " " + user_);
  EXPECT_EQ(r.first, 1);
  EXPECT_TRUE(has(r.second, "does not exist: no agent has run")) << r.second;

  // A directory squatted by someone else, a queue anyone may print to and a
  // backend cupsd would run as lp, which cannot deliver to users.
  ASSERT_EQ(mkdir(spool_.c_str(), 0700), 0);
  chmod(spool_.c_str(), 0777);
  sh("lpadmin -p jex-" + user_ + " -u allow:all");
  std::string backend = dir_ + "/bin/backend/jex";
  chmod(backend.c_str(), 0755);
  r = run(JEX_DOCTOR " " + user_);
  chmod(backend.c_str(), 0700);
  EXPECT_EQ(r.first, 1);
  EXPECT_TRUE(has(r.second, "FAIL  " + spool_ + ": owner root, mode 0777"));
  EXPECT_TRUE(has(r.second, "fix: rm -rf " + spool_)) << r.second;
  EXPECT_TRUE(has(r.second, "takes jobs from any user")) << r.second;
  EXPECT_TRUE(has(r.second, "backend " + backend + ": owner root, mode 0755"));
}

#ifdef JEX_AGENT

using Image = std::vector<unsigned char>; // 8-bit RGB rows, packed

std::vector<Image> readRaster(const std::string& path)
{
  std::vector<Image> pages;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  cups_raster_t* r = cupsRasterOpen(fd, CUPS_RASTER_READ);
  cups_page_header2_t h;
  while (r && cupsRasterReadHeader2(r, &h)) {
    pages.emplace_back(size_t(h.cupsBytesPerLine) * h.cupsHeight);
    if (!cupsRasterReadPixels(r, pages.back().data(), pages.back().size()))
      break;
  }
  cupsRasterClose(r);
  close(fd);
  return pages;
}

Image readPng(const std::string& path)
{
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  Image rgb;
  if (png_image_begin_read_from_file(&img, path.c_str())) {
    img.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(img));
    png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr);
  }
  return rgb;
}

std::string pageCount(const std::string& pdf)
{
  return sh("pdfinfo '" + pdf + "' | sed -n 's/^Pages: *//p' | tr -d '\\n'");
}

// With the user's agent running, delivering to ~/Printouts.
class Delivery : public Scheduler {
protected:
  std::string out_ = dir_ + "/home/Printouts";

  void SetUp() override
  {
    Scheduler::SetUp();
    if (!IsSkipped())
      startAgent();
  }
  static void startAgent()
  {
    sh(asUser_ + "env HOME=" + dir_ + "/home " JEX_AGENT " >>" + dir_ +
       "/agent.log 2>&1 &");
    waitFor("[ -S " + spool_ + "/print.agent ]");
  }
  // The delivered folder of the job titled title, "" when there is none.
  std::string folder(const std::string& title)
  {
    std::string glob = "'" + out_ + "'/*' " + title + "'";
    waitFor("ls -d " + glob + " >/dev/null");
    return sh("(ls -d " + glob + " 2>/dev/null) | tr -d '\\n'");
  }
};

TEST_F(Delivery, PdfArrivesAsPngPagesAndAsDocuments)
{
  addQueue("");
  addQueue("--format pdf --queue " + user_ + "-pdf");
  addQueue("--format ps --queue " + user_ + "-ps");
  print("jex-" + user_, pdf_, "-t pages -o Resolution=150dpi");
  print(user_ + "-pdf", pdf_, "-t document");
  print(user_ + "-ps", pdf_, "-t postscript");

  // The pages equal CUPS's own rendering of the same document.
  std::string ref = dir_ + "/ref.ras";
  sh("(cupsfilter -p " JEX_PPD_DIR "/jex-zrle.ppd -o Resolution=150dpi -m "
     "application/vnd.cups-raster " +
     pdf_ + " 2>/dev/null) > " + ref);
  auto pages = readRaster(ref);
  ASSERT_EQ(pages.size(), 2u);
  std::string f = folder("pages");
  ASSERT_FALSE(f.empty()) << sh("ls -R " + out_ + "; cat " + dir_ +
                                "/agent.log");
  for (size_t i = 0; i < pages.size(); i++)
    EXPECT_TRUE(readPng(f + "/page-" + std::to_string(i + 1) + ".png") ==
                pages[i])
        << i;
  EXPECT_EQ(pageCount(f + "/pages.pdf"), "2");

  f = folder("document");
  EXPECT_EQ(pageCount(f + "/document.pdf"), "2");
  f = folder("postscript");
  EXPECT_EQ(sh("head -c 4 '" + f + "/postscript.ps'"), "%!PS") << f;
  EXPECT_EQ(run(JEX_DOCTOR " " + user_).first, 0) << sh(JEX_DOCTOR " " + user_);
}

// A job printed while no agent listens waits with the reason shown and is
// delivered once the agent starts; a raster the backend must refuse (its
// colour space says CMYK) is dropped; a cancelled job leaves nothing; the
// queue goes on through all three.
TEST_F(Delivery, FailuresLeaveTheQueueGoing)
{
  sh("pkill -u " + user_);
  addQueue("");
  std::string q = "jex-" + user_, ras = dir_ + "/bad.ras";
  sh(JEX_SAMPLE_RASTER " --pages 2 --size 200x300 --dpi 75 > " + ras +
     " && printf '\\006\\000\\000\\000' | dd of=" + ras +
     " bs=1 seek=404 conv=notrunc status=none && chmod 644 " + ras);

  std::string waiting = print(q, pdf_, "-t waiting");
  EXPECT_TRUE(waitFor("LC_ALL=C lpstat -p " + q + " | grep -q agent"));
  EXPECT_TRUE(has(sh("LC_ALL=C lpstat -p " + q), "enabled"));
  EXPECT_FALSE(completed(waiting));
  startAgent();
  EXPECT_TRUE(idle(q));
  EXPECT_TRUE(completed(waiting));
  std::string delivered = folder("waiting");
  EXPECT_NE(delivered, "");

  std::string job = print(q, pdf_, "-o Resolution=600dpi -o PageSize=A3 -n 4");
  ASSERT_TRUE(waitFor("ls " + spool_ + " | grep -q zrle"));
  sh("cancel " + job);
  std::string bad = print(q, ras, "-o raw"), next = print(q, pdf_, "-t next");
  EXPECT_TRUE(idle(q));
  EXPECT_FALSE(completed(bad));
  EXPECT_TRUE(completed(next));
  EXPECT_NE(folder("next"), "");
  EXPECT_EQ(sh("sleep 1; ls " + spool_ + " | grep -c jex-"), "0\n");
  // Only the two good jobs arrived.
  EXPECT_EQ(sh("ls " + out_ + " | wc -l"), "2\n");
}

#endif

} // namespace
