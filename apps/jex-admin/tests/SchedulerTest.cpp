// The queue helper, the doctor and whole jobs under a real, private CUPS
// scheduler (scripts/private-cupsd.sh), printed by a local account made for
// the run. Needs root and the CUPS daemon; skips with the reason otherwise.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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

class Scheduler : public ::testing::Test {
protected:
  static inline std::string skip_, dir_, user_, uid_;

  static void SetUpTestSuite()
  {
    if (geteuid() != 0)
      skip_ = "needs root (a private cupsd and a local account)";
    else if (run("command -v cupsd lpadmin cupsfilter gs pdfinfo useradd")
                 .first != 0)
      skip_ = "needs cupsd, the CUPS clients and filters, ghostscript and "
              "poppler-utils";
    if (!skip_.empty())
      return;
    char tmpl[] = "/tmp/jex-sched-XXXXXX";
    dir_ = mkdtemp(tmpl);
    auto r = run(JEX_PRIVATE_CUPSD " start " + dir_ + " " JEX_BACKEND);
    ASSERT_EQ(r.first, 0) << r.second;
    setenv("CUPS_SERVER", (dir_ + "/run/cups.sock").c_str(), 1);
    setenv("JEX_PPD_DIR", JEX_PPD_DIR, 1);
    setenv("JEX_BACKEND", (dir_ + "/bin/backend/jex").c_str(), 1);
    setenv("JEX_PROBE", JEX_PROBE, 1);
    user_ = "jexadm" + std::to_string(getpid() % 100000);
    r = run("useradd -m -d " + dir_ + "/home -s /bin/false " + user_ +
            " && id -u " + user_);
    ASSERT_EQ(r.first, 0) << r.second;
    uid_ = r.second.substr(0, r.second.size() - 1);
  }

  static void TearDownTestSuite()
  {
    if (dir_.empty())
      return;
    sh(JEX_PRIVATE_CUPSD " stop " + dir_);
    if (!uid_.empty())
      sh("pkill -u " + user_ + "; sleep 0.5; userdel " + user_ + "; rm -rf " +
         spool());
    sh("rm -rf " + dir_);
  }

  void SetUp() override
  {
    if (!skip_.empty())
      GTEST_SKIP() << skip_;
    sh("rm -rf " + spool() + " " + dir_ + "/home/Printouts");
  }
  void TearDown() override
  {
    sh("pkill -u " + user_ + "; " JEX_QUEUE " remove " + user_);
  }

  static std::string spool() { return "/tmp/.jex-" + uid_; }
  static std::string asUser(const std::string& cmd)
  {
    return "setpriv --reuid=" + user_ + " --regid=" + user_ +
           " --init-groups " + cmd;
  }
  static std::string addQueue(const std::string& args)
  {
    return sh(JEX_QUEUE " add " + user_ + " " + args);
  }
  // Prints file as the test user; returns the job id.
  static std::string print(const std::string& queue, const std::string& file,
                           const std::string& options = "")
  {
    std::string out = sh(asUser("lp -d " + queue + " " + options + " " + file));
    size_t at = out.find("is " + queue + "-");
    return at == out.npos
               ? "?"
               : std::to_string(atoi(out.c_str() + at + queue.size() + 4));
  }
  static bool completed(const std::string& job)
  {
    return run("grep -q '\\[Job " + job + "\\] Job completed' " + dir_ +
               "/log/error_log")
               .first == 0;
  }
  // Polls cmd (a shell condition) for up to a minute.
  static bool waitFor(const std::string& cmd)
  {
    return run("for i in $(seq 300); do " + cmd +
               " && exit 0; sleep 0.2; done; exit 1")
               .first == 0;
  }
  static bool idle(const std::string& queue)
  {
    return waitFor("[ -z \"$(lpstat -o " + queue + ")\" ]");
  }
  static std::string pdf()
  {
    std::string pdf = dir_ + "/two.pdf";
    sh("printf '%%!PS\\n/Helvetica findfont 30 scalefont setfont 1 1 2 {0.2 "
       "0.5 0.9 setrgbcolor "
       "72 400 300 200 rectfill 0 setgray 72 700 moveto (Page) show 2 string "
       "cvs show showpage} "
       "for\\n' | gs -q -dSAFER -sDEVICE=pdfwrite -sPAPERSIZE=a4 -o " +
       pdf + " - && chmod 644 " + pdf);
    return pdf;
  }
};

TEST_F(Scheduler, QueueHelperAddsListsAndRemoves)
{
  addQueue("");
  addQueue("--format pdf --agent desk --queue " + user_ + "-pdf");
  std::string list = sh(JEX_QUEUE " list");
  EXPECT_TRUE(has(list, "jex-" + user_)) << list;
  EXPECT_TRUE(has(list, user_ + "-pdf")) << list;
  EXPECT_TRUE(has(list, "PDF    desk")) << list;

  // Enabled, accepting, private to the user, with the format's PPD.
  std::string q = "jex-" + user_;
  EXPECT_TRUE(has(sh("LC_ALL=C lpstat -p " + q), "enabled"));
  EXPECT_TRUE(has(sh("LC_ALL=C lpstat -a " + q), "accepting"));
  EXPECT_TRUE(has(sh("LC_ALL=C lpstat -l -p " + q),
                  "Users allowed:\n\t\t" + user_ + "\n"));
  std::string opts = sh("lpoptions -p " + q);
  EXPECT_TRUE(has(opts, "device-uri=jex:/ZRLE/" + uid_ + "@agent")) << opts;
  EXPECT_TRUE(has(opts, "printer-is-shared=false")) << opts;
  EXPECT_TRUE(has(opts, "ZRLE pages")) << opts;

  EXPECT_TRUE(has(sh(JEX_QUEUE " add root"), "delivered as root"));
  EXPECT_TRUE(has(sh(JEX_QUEUE " add jex-no-such-user"),
                  "no such user: jex-no-such-user"));
  EXPECT_EQ(run(JEX_QUEUE " add " + user_ + " --format png").first, 1);

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
  ASSERT_EQ(mkdir(spool().c_str(), 0700), 0);
  chmod(spool().c_str(), 0777);
  sh("lpadmin -p jex-" + user_ + " -u allow:all");
  std::string backend = dir_ + "/bin/backend/jex";
  chmod(backend.c_str(), 0755);
  r = run(JEX_DOCTOR " " + user_);
  chmod(backend.c_str(), 0700);
  EXPECT_EQ(r.first, 1);
  EXPECT_TRUE(has(r.second, "FAIL  " + spool() + ": owner root, mode 0777"))
      << r.second;
  EXPECT_TRUE(has(r.second, "fix: rm -rf " + spool())) << r.second;
  EXPECT_TRUE(has(r.second, "takes jobs from any user")) << r.second;
  EXPECT_TRUE(
      has(r.second, "FAIL  backend " + backend + ": owner root, mode 0755"))
      << r.second;
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
    if (cupsRasterReadPixels(r, pages.back().data(), pages.back().size()) == 0)
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

// With the user's agent running, delivering to ~/Printouts.
class Delivery : public Scheduler {
protected:
  std::string out_ = dir_ + "/home/Printouts";

  static void startAgent()
  {
    sh(asUser("env HOME=" + dir_ + "/home " JEX_AGENT " >>" + dir_ +
              "/agent.log 2>&1 &"));
    waitFor("[ -S " + spool() + "/print.agent ]");
  }
  void SetUp() override
  {
    Scheduler::SetUp();
    if (!IsSkipped())
      startAgent();
  }
  // The delivered folder of the job titled title, "" when there is none.
  std::string folder(const std::string& title)
  {
    waitFor("ls -d '" + out_ + "'/*' " + title + "' >/dev/null");
    std::string f = sh("(ls -d '" + out_ + "'/*' " + title + "' 2>/dev/null)");
    return f.empty() ? f : f.substr(0, f.size() - 1);
  }
};

TEST_F(Delivery, PdfArrivesAsPngPagesAndAsDocuments)
{
  addQueue("");
  addQueue("--format pdf --queue " + user_ + "-pdf");
  addQueue("--format ps --queue " + user_ + "-ps");
  print("jex-" + user_, pdf(), "-t pages -o Resolution=150dpi");
  print(user_ + "-pdf", pdf(), "-t document");
  print(user_ + "-ps", pdf(), "-t postscript");

  // The pages equal CUPS's own rendering of the same document.
  std::string ref = dir_ + "/ref.ras";
  sh("cupsfilter -p " JEX_PPD_DIR
     "/jex-zrle.ppd -m application/vnd.cups-raster "
     "-o Resolution=150dpi " +
     pdf() + " > " + ref);
  auto pages = readRaster(ref);
  ASSERT_EQ(pages.size(), 2u);
  std::string f = folder("pages");
  ASSERT_FALSE(f.empty()) << sh("ls -R " + out_ + "; cat " + dir_ +
                                "/agent.log");
  for (size_t i = 0; i < pages.size(); i++)
    EXPECT_TRUE(readPng(f + "/page-" + std::to_string(i + 1) + ".png") ==
                pages[i])
        << i;
  EXPECT_TRUE(has(sh("pdfinfo '" + f + "/pages.pdf'"), "Pages:          2"));

  f = folder("document");
  EXPECT_TRUE(has(sh("pdfinfo '" + f + "/document.pdf'"), "Pages:          2"))
      << f;
  f = folder("postscript");
  EXPECT_EQ(sh("head -c 4 '" + f + "/postscript.ps'"), "%!PS") << f;
  EXPECT_EQ(run(JEX_DOCTOR " " + user_).first, 0) << sh(JEX_DOCTOR " " + user_);
}

// A job printed while no agent listens waits with the reason shown and is
// delivered once the agent starts; a raster the backend must refuse (its
// colour space says CMYK) is dropped; the queue goes on through both.
TEST_F(Delivery, FailuresLeaveTheQueueGoing)
{
  sh("pkill -u " + user_);
  addQueue("");
  std::string q = "jex-" + user_;
  std::string ras = dir_ + "/bad.ras";
  sh(JEX_SAMPLE_RASTER " --pages 2 --size 200x300 --dpi 75 > " + ras +
     " && printf '\\006\\000\\000\\000' | dd of=" + ras +
     " bs=1 seek=404 conv=notrunc status=none && chmod 644 " + ras);

  std::string waiting = print(q, pdf(), "-t waiting");
  EXPECT_TRUE(waitFor("LC_ALL=C lpstat -p " + q + " | grep -q agent"));
  EXPECT_TRUE(has(sh("LC_ALL=C lpstat -p " + q), "enabled"));
  EXPECT_FALSE(completed(waiting));
  startAgent();
  EXPECT_TRUE(idle(q));
  EXPECT_TRUE(completed(waiting));

  std::string bad = print(q, ras, "-o raw");
  std::string next = print(q, pdf(), "-t next");
  EXPECT_TRUE(idle(q));
  EXPECT_FALSE(completed(bad));
  EXPECT_TRUE(completed(next));
  EXPECT_FALSE(folder("waiting").empty());
  EXPECT_FALSE(folder("next").empty());
}

TEST_F(Delivery, CancelledJobLeavesNothing)
{
  addQueue("");
  std::string job =
      print("jex-" + user_, pdf(), "-o Resolution=600dpi -o PageSize=A3 -n 4");
  ASSERT_TRUE(waitFor("ls " + spool() + " | grep -q zrle"));
  sh("cancel " + job);
  EXPECT_TRUE(idle("jex-" + user_));
  EXPECT_EQ(sh("sleep 1; ls " + spool()), "print.agent\n");
  EXPECT_EQ(sh("(ls -A " + out_ + " 2>/dev/null)"), "");
}

#endif

} // namespace
