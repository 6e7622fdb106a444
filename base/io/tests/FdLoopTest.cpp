#include "../../os/tests/SocketTestUtil.h"

#include <io/FdHandler.h>
#include <io/FdLoop.h>
#include <os/SocketUtil.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

using testutil::FdGuard;

namespace {

// A pipe whose read end is registered for reading; logs its tag on each
// notification and then runs onRead.
class PipeHandler : public io::FdHandler {
public:
  PipeHandler(std::string* log, char tag) : log_(log), tag_(tag)
  {
    int fds[2];
    os::createPipe(fds);
    r_.reset(fds[0]);
    w_.reset(fds[1]);
  }
  void readable() override
  {
    *log_ += tag_;
    char c;
    (void)!read(r_.get(), &c, 1);
    onRead();
  }
  void writable() override {}
  void managerDestroyed() override { *log_ += 'D'; }
  int getFd() const override { return r_.get(); }
  void poke() { (void)!write(w_.get(), "x", 1); }

  std::function<void()> onRead;

private:
  std::string* log_;
  char tag_;
  FdGuard r_, w_;
};

} // namespace

TEST(FdLoop, HandlersMayUnregisterOthersDuringDispatch)
{
  std::string log;
  PipeHandler a(&log, 'a'), b(&log, 'b');
  io::FdLoop outer;
  {
    io::FdLoop loop;
    EXPECT_EQ(&loop, io::FdManager::current());
    for (PipeHandler* h : {&a, &b}) {
      loop.registerHandler(h);
      loop.setInterests(h, true, false);
      h->poke();
    }
    // Whichever runs first removes the other before its turn.
    a.onRead = [&] { loop.unregisterHandler(&b); };
    b.onRead = [&] { loop.unregisterHandler(&a); };
    loop.waitAndProcess(1000);
    EXPECT_EQ(1u, log.size());
    log.clear();
  }
  // The one still registered heard of the manager's end, and the enclosing
  // manager is current again.
  EXPECT_EQ("D", log);
  EXPECT_EQ(&outer, io::FdManager::current());
}
