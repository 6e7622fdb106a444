#include <os/UserSwitch.h>

#include <os/PasswdEntry.h>

#include <cstdio>
#include <cstdlib>
#include <grp.h>
#include <unistd.h>

namespace os {

namespace {

void say(const char* text, size_t len)
{
  ssize_t n = write(2, text, len);
  (void)n;
}

} // namespace

void switchToUser(const PasswdEntry& entry)
{
  gid_t gid = entry.gid();
  if (setgid(gid) != 0) {
    perror("setgid()");
    _exit(1);
  }
  if (setgroups(1, &gid) != 0) {
    perror("setgroups()");
    _exit(1);
  }
  if (setuid(entry.uid()) != 0) {
    perror("setuid()");
    _exit(1);
  }
  checkSwitchedIdentity(entry.uid(), gid);
}

void checkSwitchedIdentity(uid_t uid, gid_t gid)
{
  uid_t ruid, euid, suid;
  if (getuid() != uid || geteuid() != getuid() ||
      getresuid(&ruid, &euid, &suid) != 0 || suid != geteuid()) {
    say("Unexpected uid\n", 15);
    abort();
  }
  if (gid != gid_t(-1) && (getgid() != gid || getegid() != getgid())) {
    say("Unexpected gid\n", 15);
    exit(1);
  }
}

} // namespace os
