#include <plat/TimerManager.h>

#include <plat/time.h>

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace plat;

namespace {

const int64_t Ms = TimeUnitsPerMs;

// A monotonic clock the test moves by hand; it can report one jump.
struct ManualClock : MonotonicClock {
  int64_t t = 1000 * Ms;
  bool jumpNext = false;
  int64_t lastBound = 0;
  int64_t now(int64_t bound, bool* jumped) override
  {
    lastBound = bound;
    *jumped = jumpNext;
    jumpNext = false;
    return t;
  }
};

struct Recorder : Timer::Callback, TimerManager::SleepObserver {
  std::vector<std::string> runs;
  std::vector<int> sleeps;
  std::function<bool(Timer*)> action;
  std::map<Timer*, std::string> names;

  bool timerCallback(Timer* t) override
  {
    runs.push_back(names.count(t) ? names[t] : "?");
    return action ? action(t) : false;
  }
  void sleepTimeChanged(int ms) override { sleeps.push_back(ms); }
};

class TimerTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    setMonotonicClock(&clock);
    mgr.setSleepObserver(&rec);
  }
  void TearDown() override { setMonotonicClock(nullptr); }

  ManualClock clock;
  TimerManager mgr;
  Recorder rec;
};

} // namespace

TEST_F(TimerTest, EqualExpiriesRunInStartOrderAndObserverSeesFirst)
{
  Timer a(&rec), b(&rec), c(&rec);
  rec.names = {{&a, "a"}, {&b, "b"}, {&c, "c"}};
  a.start(50);
  b.start(50);
  c.start(20);
  // Told when a timer became first: a (50 ms), then c (20 ms).
  EXPECT_EQ(rec.sleeps, (std::vector<int>{50, 20}));
  clock.t += 20 * Ms - 1; // not due yet; sleep rounds up
  mgr.process();
  EXPECT_TRUE(rec.runs.empty());
  EXPECT_EQ(mgr.sleepTimeMs(), 1);
  clock.t += 30 * Ms + 1;
  mgr.process();
  EXPECT_EQ(rec.runs, (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(rec.sleeps.back(), -1);
}

TEST_F(TimerTest, PeriodicTimerKeepsCadenceButLateOneRunsOnce)
{
  Timer a(&rec);
  rec.action = [](Timer*) { return true; };
  a.start(100);
  int64_t first = a.getExpiry();
  clock.t += 105 * Ms; // slightly late: next expiry keeps the cadence
  mgr.process();
  EXPECT_EQ(a.getExpiry(), first + 100 * Ms);
  clock.t += 400 * Ms; // three intervals late: once, then now + interval
  mgr.process();
  EXPECT_EQ(rec.runs.size(), 2u);
  EXPECT_EQ(a.getExpiry(), clock.t + 100 * Ms);
  // A jump while it is due restarts it from now instead of running it.
  clock.t += 150 * Ms;
  clock.jumpNext = true;
  mgr.process();
  EXPECT_EQ(rec.runs.size(), 2u);
  EXPECT_EQ(a.getExpiry(), clock.t + 100 * Ms);
}

TEST_F(TimerTest, CallbackStoppingOrRestartingTimers)
{
  // a stops itself and c, which is due too and must be skipped; b restarts
  // itself with another interval.
  Timer a(&rec), b(&rec), c(&rec);
  rec.names = {{&a, "a"}, {&b, "b"}, {&c, "c"}};
  rec.action = [&](Timer* t) {
    if (t == &a) {
      a.stop();
      c.stop();
    } else {
      b.start(500);
    }
    return true;
  };
  a.start(10);
  b.start(10);
  c.start(10);
  clock.t += 10 * Ms;
  mgr.process();
  EXPECT_EQ(rec.runs, (std::vector<std::string>{"a", "b"}));
  EXPECT_FALSE(a.isStarted());
  EXPECT_EQ(b.getExpiry(), clock.t + 500 * Ms);
}

TEST_F(TimerTest, JumpRestartsPendingTimersFromNow)
{
  LogCapture cap("timercap", "TimerManager:timercap:30");
  Timer a(&rec), b(&rec);
  a.start(100);
  b.start(300);
  EXPECT_EQ(clock.lastBound, a.getExpiry() + 240 * 1000 * Ms);
  clock.t += 10000 * 1000 * Ms; // far beyond the bound
  clock.jumpNext = true;
  mgr.process();
  EXPECT_TRUE(rec.runs.empty());
  EXPECT_EQ(a.getExpiry(), clock.t + 100 * Ms);
  EXPECT_EQ(b.getExpiry(), clock.t + 300 * Ms);
  // Within the bound a jump counts as forwards, beyond it as backwards.
  clock.t += 50 * Ms;
  clock.jumpNext = true;
  mgr.process();
  EXPECT_EQ(cap.lines(),
            (std::vector<std::string>{
                "30 Time has moved backwards - restarting timers",
                "30 Time has jumped forwards - restarting timers"}));
}
