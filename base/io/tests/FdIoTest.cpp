#include "../../os/tests/SocketTestUtil.h"

#include <io/FdIo.h>
#include <io/FdLoop.h>
#include <io/IoHandler.h>
#include <os/SocketUtil.h>
#include <plat/time.h>
#include <rdr/InStream.h>

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <optional>
#include <string>

using testutil::FdGuard;

namespace {

// Installed for its lifetime; moved by hand, never reports a jump.
class ManualClock : public plat::MonotonicClock {
public:
  ManualClock() : now_(plat::monotonicNow()) { plat::setMonotonicClock(this); }
  ~ManualClock() override { plat::setMonotonicClock(nullptr); }
  int64_t now(int64_t, bool* jumped) override
  {
    *jumped = false;
    return now_;
  }
  void advanceMs(int64_t ms) { now_ += ms * plat::TimeUnitsPerMs; }

private:
  int64_t now_;
};

// Counts its calls; each reads what there is without waiting.
class RecordingHandler : public io::IoHandler {
public:
  void readable(io::Io& io) override
  {
    readCalls++;
    io.getInStream().check(false, 1);
  }
  void shutdownComplete(io::Io&) override { shutdowns++; }

  int readCalls = 0;
  int shutdowns = 0;
};

class TrackedIo : public io::FdIo {
public:
  TrackedIo(int fd, bool* deleted) : io::FdIo(fd, true), deleted_(deleted)
  {
    *deleted_ = false;
  }
  ~TrackedIo() override { *deleted_ = true; }

private:
  bool* deleted_;
};

// An FdIo on one end of a socket pair (deleted by the test or the fixture)
// and a non-blocking peer end the test reads and writes directly.
class FdIoTest : public ::testing::Test {
protected:
  FdIoTest()
  {
    int fds[2];
    os::createSocketPair(fds);
    peer.reset(fds[1]);
    os::setBlocking(peer.get(), false);
    io = new TrackedIo(fds[0], &deleted);
    loop.emplace();
  }
  ~FdIoTest() override
  {
    if (!deleted)
      delete io;
  }

  // Queues more than the socket buffers of a pair hold, so the peer must
  // read for the writer to finish.
  static void writeBig(io::FdIo* to)
  {
    to->getOutStream().writeBytes(big.data(), big.size());
    to->getOutStream().flush();
  }
  static const std::string big;

  // Appends what the peer end has without waiting; false at end of file.
  bool drain()
  {
    char buf[65536];
    for (;;) {
      ssize_t n = read(peer.get(), buf, sizeof(buf));
      if (n > 0)
        got.append(buf, size_t(n));
      else if (n == 0)
        return false;
      else if (errno != EINTR)
        return true;
    }
  }

  std::optional<io::FdLoop> loop;
  FdGuard peer;
  bool deleted;
  TrackedIo* io;
  RecordingHandler h;
  std::string got;
};

const std::string FdIoTest::big = [] {
  std::string v(4 << 20, '\0');
  for (size_t i = 0; i < v.size(); i++)
    v[i] = char(i % 251);
  return v;
}();

} // namespace

TEST_F(FdIoTest, WithoutManagerShutdownDeletesAtOnce)
{
  int fd = io->getFd();
  EXPECT_TRUE(fcntl(fd, F_GETFL) & O_NONBLOCK);
  io->shutdown(true, false);
  EXPECT_TRUE(deleted);
  EXPECT_EQ(-1, fcntl(fd, F_GETFD)) << "descriptor left open";
}

TEST_F(FdIoTest, FlushTimeOutGivesUpOnUnresponsivePeer)
{
  ManualClock clock;
  io->setHandler(&h);
  writeBig(io);
  loop->waitAndProcess(0);
  clock.advanceMs(io::FdIo::lazyFlushTimeout * 1000 - 1000);
  loop->waitAndProcess(0);
  EXPECT_EQ(0, h.readCalls);
  EXPECT_FALSE(deleted);

  // The time-out: the handler is made to read, its read fails with
  // "Timed out", and the connection shuts down.
  clock.advanceMs(2000);
  loop->waitAndProcess(0);
  EXPECT_EQ(1, h.readCalls);
  loop->waitAndProcess(0);
  EXPECT_EQ(1, h.shutdowns);
  EXPECT_TRUE(deleted);
}

TEST_F(FdIoTest, OrderlyShutdownFlushesFirst)
{
  io->setHandler(&h);
  writeBig(io); // does not wait with a handler attached
  ASSERT_GT(io->getOutStream().pendingBytes(), 0u);
  io->shutdown(true, true);
  EXPECT_TRUE(io->isShuttingDown());

  // Input is no longer read while shutting down.
  ASSERT_EQ(1, write(peer.get(), "x", 1));
  loop->waitAndProcess(0);
  EXPECT_FALSE(deleted);

  bool open = true;
  for (int i = 0; i < 10000 && open; i++) {
    open = drain();
    if (!deleted)
      loop->waitAndProcess(100);
  }
  EXPECT_FALSE(open) << "peer never saw the end";
  EXPECT_TRUE(deleted);
  EXPECT_EQ(0, h.readCalls);
  EXPECT_TRUE(got == big);
}

TEST_F(FdIoTest, ManagerDestructionEndsShutdownsAndForgetsOpenConnections)
{
  int fds[2];
  os::createSocketPair(fds);
  FdGuard otherPeer(fds[1]);
  bool openDeleted;
  TrackedIo* open = new TrackedIo(fds[0], &openDeleted);
  RecordingHandler h2;
  open->setHandler(&h2);
  io->setHandler(&h);
  writeBig(io);
  io->shutdown(true, true);
  loop->waitAndProcess(0);
  loop.reset();
  EXPECT_TRUE(deleted);
  EXPECT_EQ(1, h.shutdowns);
  EXPECT_FALSE(openDeleted);
  EXPECT_EQ(nullptr, open->getHandler());
  delete open;
}
