// The queue helper, the doctor and the backend under a real, private CUPS
// scheduler (scripts/private-cupsd.sh), with local accounts made for the
// run. Needs root and the CUPS daemon; skips with the reason otherwise.

#include <gtest/gtest.h>

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
      for (;;)
        close(accept(fd, nullptr, nullptr));
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

} // namespace
