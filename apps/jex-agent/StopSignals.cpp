#include "StopSignals.h"

#include <io/Kicker.h>

#include <csignal>

namespace agent {

namespace {

volatile sig_atomic_t stopFlag = 0;
io::Kicker* stopKicker = nullptr;

void onStopSignal(int)
{
  stopFlag = 1;
  if (stopKicker)
    stopKicker->kick();
}

} // namespace

StopSignals::StopSignals(io::Kicker& kicker)
{
  stopKicker = &kicker;
  struct sigaction sa = {};
  sa.sa_handler = onStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

StopSignals::~StopSignals()
{
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  stopKicker = nullptr;
}

bool StopSignals::stopRequested()
{
  return stopFlag != 0;
}

} // namespace agent
