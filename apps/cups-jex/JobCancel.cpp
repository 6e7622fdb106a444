#include "JobCancel.h"

#include "JobFileSet.h"

#include <unistd.h>

namespace {

const int cancelSignals[] = {SIGTERM, SIGINT, SIGHUP};
const JobFileSet* volatile jobFiles = nullptr;

sigset_t cancelSet()
{
  sigset_t set;
  sigemptyset(&set);
  for (int sig : cancelSignals)
    sigaddset(&set, sig);
  return set;
}

void onCancel(int sig)
{
  static const char text[] = "jex: job cancelled\n";
  (void)!write(2, text, sizeof(text) - 1);
  if (const JobFileSet* files = jobFiles)
    files->removeAll();
  // End by the signal itself, so that the parent sees why.
  signal(sig, SIG_DFL);
  sigset_t self;
  sigemptyset(&self);
  sigaddset(&self, sig);
  raise(sig);
  sigprocmask(SIG_UNBLOCK, &self, nullptr);
  _exit(128 + sig);
}

} // namespace

void installCancelHandler(const JobFileSet& files)
{
  jobFiles = &files;
  struct sigaction sa = {};
  sa.sa_handler = onCancel;
  sa.sa_mask = cancelSet();
  for (int sig : cancelSignals)
    sigaction(sig, &sa, nullptr);
}

void forgetCancelFiles(const JobFileSet& files)
{
  if (jobFiles == &files)
    jobFiles = nullptr;
}

CancelBlock::CancelBlock()
{
  sigset_t set = cancelSet();
  sigprocmask(SIG_BLOCK, &set, &old_);
}

CancelBlock::~CancelBlock()
{
  sigprocmask(SIG_SETMASK, &old_, nullptr);
}
