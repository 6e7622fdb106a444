#include <plat/unix/Threading.h>

#include <plat/Exception.h>

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

using namespace plat;

namespace {

struct Counter : Thread::Runnable {
  std::atomic<int> runs{0};
  Thread* seenCurrent = nullptr;
  void run(Thread* t) override
  {
    seenCurrent = currentThread();
    EXPECT_EQ(seenCurrent, t);
    runs++;
  }
};

struct Thrower : Thread {
  Thrower() : Thread("thrower") {}
  void run() override { throw Exception("x"); }
};

} // namespace

TEST(Thread, RunsJoinsAndKnowsItself)
{
  Counter c;
  Thread t("worker", &c);
  t.start();
  EXPECT_TRUE(t.join());
  EXPECT_EQ(c.seenCurrent, &t);
  EXPECT_TRUE(t.join()); // second join: nothing more to wait for
  t.start();             // not Created any more: ignored
  EXPECT_EQ(c.runs, 1);
  delete new Thread("idle"); // never started: must not block
}

TEST(Thread, ExceptionFromRunStillStops)
{
  LogCapture cap("thrcap", "Threading:thrcap:100");
  Thrower t;
  t.start();
  // Wait for the thread body without joining it.
  while (t.getState() != Thread::Stopped)
    sched_yield();
  EXPECT_TRUE(t.join());
  char line[64];
  snprintf(line, sizeof(line), "100 failed    thrower %lx: x",
           (unsigned long)t.getHandle());
  EXPECT_EQ(cap.lines().at(2), line);
}

TEST(Thread, SelfDeletingThreadCannotBeJoined)
{
  struct Flag : Thread::Runnable {
    Mutex m;
    Condition c;
    bool done = false;
    void run(Thread*) override
    {
      MutexLock l(m);
      done = true;
      c.signal();
    }
  } flag;
  Thread* t = new Thread("selfdel", &flag);
  t->setSelfDelete(true);
  EXPECT_FALSE(t->join());
  MutexLock l(flag.m);
  t->start();
  while (!flag.done)
    flag.c.wait(flag.m, -1);
}

TEST(Thread, CurrentThreadOnMainIsAStableNativeWrapper)
{
  Thread* t = currentThread();
  EXPECT_EQ(t->getState(), Thread::Native);
  EXPECT_EQ(currentThread(), t);
  EXPECT_FALSE(t->join());
}

TEST(Mutex, IsRecursive)
{
  Mutex m;
  MutexLock a(m);
  MutexLock b(m); // would deadlock otherwise
}

TEST(ConditionDeathTest, TimedWaitIsNotSupported)
{
  EXPECT_DEATH(
      {
        Mutex m;
        Condition c;
        MutexLock l(m);
        c.wait(m, 0);
      },
      "timeoutMs == -1.*Condition timed wait not implemented yet");
}
