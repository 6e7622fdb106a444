#include "../../os/tests/SocketTestUtil.h"
#include "EventTestUtil.h"

#include <io/FdIo.h>
#include <io/FdLoop.h>
#include <os/SocketUtil.h>
#include <rdr/FdOutStream.h>

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <string>
#include <vector>

using testutil::FdGuard;
using testutil::ManualClock;
using testutil::RecordingHandler;
using testutil::TrackedIo;

namespace {

// A connected pair: the FdIo end (owned by the test's FdIo) and a
// non-blocking peer end the test reads and writes directly.
struct Pair {
  Pair()
  {
    int fds[2];
    os::createSocketPair(fds);
    ioFd = fds[0];
    peer.reset(fds[1]);
    os::setBlocking(peer.get(), false);
  }
  int ioFd;
  FdGuard peer;
};

std::vector<char> pattern(size_t n)
{
  std::vector<char> v(n);
  for (size_t i = 0; i < n; i++)
    v[i] = char(i * 131 + i / 1000);
  return v;
}

// Reads what the peer end has without waiting; returns false at end of
// file.
bool drain(int fd, std::string* into)
{
  char buf[65536];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof(buf));
    if (n > 0)
      into->append(buf, size_t(n));
    else if (n == 0)
      return false;
    else if (errno != EINTR)
      return true;
  }
}

// More than the socket buffers of a pair hold, so the peer must read for
// the writer to finish.
const size_t BigSize = 4 << 20;

} // namespace

TEST(FdIo, DefaultsWithoutHandler)
{
  Pair p;
  bool deleted;
  TrackedIo* io = new TrackedIo(p.ioFd, &deleted);
  EXPECT_EQ("<fd" + std::to_string(p.ioFd) + ">", std::string(io->getName()));
  EXPECT_STREQ("", io->getPeerName());
  EXPECT_TRUE(fcntl(p.ioFd, F_GETFL) & O_NONBLOCK);
  io->addProperty("secureTransport");
  EXPECT_TRUE(io->hasProperty("secureTransport"));

  // No manager: shutting down deletes at once.
  io->shutdown(true, false);
  EXPECT_TRUE(deleted);
  EXPECT_EQ(-1, fcntl(p.ioFd, F_GETFD)) << "descriptor left open";
}

TEST(FdIo, HandlerReadsMessagesAcrossPartialArrivals)
{
  io::FdLoop loop;
  Pair p;
  RecordingHandler h(true);
  bool deleted;
  TrackedIo* io = new TrackedIo(p.ioFd, &deleted);
  io->setHandler(&h);

  const char msg[] = "\0\0\0\5hello\0\0\0\2hi";
  ASSERT_EQ(6, write(p.peer.get(), msg, 6));
  loop.waitAndProcess(1000);
  EXPECT_EQ(1, h.readCalls);
  EXPECT_TRUE(h.received.empty());

  ASSERT_EQ(9, write(p.peer.get(), msg + 6, 9));
  loop.waitAndProcess(1000);
  ASSERT_EQ(2u, h.received.size());
  EXPECT_EQ("hello", h.received[0]);
  EXPECT_EQ("hi", h.received[1]);
  ASSERT_EQ(0, h.shutdowns);
  EXPECT_FALSE(deleted);

  // Peer closes: end of stream shuts the connection down, tells the handler
  // and deletes the object on the next round.
  p.peer.reset(-1);
  loop.waitAndProcess(1000);
  loop.waitAndProcess(0);
  EXPECT_EQ(1, h.shutdowns);
  EXPECT_TRUE(deleted);
}

TEST(FdIo, LazyFlushFeedsSlowPeer)
{
  io::FdLoop loop;
  Pair p;
  RecordingHandler h;
  bool deleted;
  TrackedIo* io = new TrackedIo(p.ioFd, &deleted);
  io->setHandler(&h, false);

  std::vector<char> data = pattern(BigSize);
  rdr::OutStream& out = io->getOutStream();
  out.writeBytes(data.data(), data.size());
  out.flush(); // does not wait with a handler attached
  EXPECT_GT(out.pendingBytes(), 0u);

  std::string got;
  for (int i = 0; i < 10000 && got.size() < data.size(); i++) {
    drain(p.peer.get(), &got);
    loop.waitAndProcess(100);
  }
  EXPECT_EQ(data.size(), got.size());
  EXPECT_TRUE(got == std::string(data.begin(), data.end()));
  EXPECT_EQ(0u, out.pendingBytes());
  EXPECT_FALSE(deleted);
  delete io;
}

TEST(FdIo, FlushTimeOutGivesUpOnUnresponsivePeer)
{
  ManualClock clock;
  io::FdLoop loop;
  Pair p;
  RecordingHandler h;
  bool deleted;
  TrackedIo* io = new TrackedIo(p.ioFd, &deleted);
  io->setHandler(&h);

  std::vector<char> data = pattern(BigSize);
  io->getOutStream().writeBytes(data.data(), data.size());
  io->getOutStream().flush();
  loop.waitAndProcess(0);

  int secs = io::FdIo::lazyFlushTimeout;
  clock.advanceMs(secs * 1000 - 1000);
  loop.waitAndProcess(0);
  EXPECT_EQ(0, h.readCalls);
  EXPECT_FALSE(deleted);

  // The time-out: the handler is made to read, its read fails with
  // "Timed out", and the connection shuts down.
  clock.advanceMs(2000);
  loop.waitAndProcess(0);
  EXPECT_EQ(1, h.readCalls);
  loop.waitAndProcess(0);
  EXPECT_EQ(1, h.shutdowns);
  EXPECT_TRUE(deleted);
}

TEST(FdIo, OrderlyShutdownFlushesFirst)
{
  io::FdLoop loop;
  Pair p;
  RecordingHandler h;
  bool deleted;
  TrackedIo* io = new TrackedIo(p.ioFd, &deleted);
  io->setHandler(&h);

  std::vector<char> data = pattern(BigSize);
  io->getOutStream().writeBytes(data.data(), data.size());
  io->getOutStream().flush();
  ASSERT_GT(io->getOutStream().pendingBytes(), 0u);
  io->shutdown(true, true);
  EXPECT_TRUE(io->isShuttingDown());

  // Input is no longer read while shutting down.
  ASSERT_EQ(1, write(p.peer.get(), "x", 1));
  loop.waitAndProcess(0);
  EXPECT_FALSE(deleted);

  std::string got;
  bool open = true;
  for (int i = 0; i < 10000 && open; i++) {
    open = drain(p.peer.get(), &got);
    if (!deleted)
      loop.waitAndProcess(100);
  }
  EXPECT_FALSE(open) << "peer never saw the end";
  EXPECT_TRUE(deleted);
  EXPECT_EQ(1, h.shutdowns);
  EXPECT_EQ(0, h.readCalls);
  EXPECT_TRUE(got == std::string(data.begin(), data.end()));
}

TEST(FdIo, ShutdownWithoutFlushEndsOnNextDispatch)
{
  io::FdLoop loop;
  Pair p;
  RecordingHandler h;
  bool deleted;
  TrackedIo* io = new TrackedIo(p.ioFd, &deleted);
  io->setHandler(&h);
  io->shutdown(false, false);
  EXPECT_FALSE(deleted);
  loop.waitAndProcess(1000);
  EXPECT_TRUE(deleted);
  EXPECT_EQ(0, h.shutdowns); // not asked to tell the handler
}

TEST(FdIo, ManagerDestructionEndsShutdownsAndForgetsOpenConnections)
{
  Pair p1, p2;
  RecordingHandler h1, h2;
  bool deleted1, deleted2;
  TrackedIo* closing = new TrackedIo(p1.ioFd, &deleted1);
  TrackedIo* open = new TrackedIo(p2.ioFd, &deleted2);
  {
    io::FdLoop loop;
    closing->setHandler(&h1);
    open->setHandler(&h2);
    std::vector<char> data = pattern(BigSize);
    closing->getOutStream().writeBytes(data.data(), data.size());
    closing->getOutStream().flush();
    closing->shutdown(true, true);
    loop.waitAndProcess(0);
  }
  EXPECT_TRUE(deleted1);
  EXPECT_EQ(1, h1.shutdowns);
  EXPECT_FALSE(deleted2);
  EXPECT_EQ(nullptr, open->getHandler());
  delete open;
  EXPECT_TRUE(deleted2);
}
