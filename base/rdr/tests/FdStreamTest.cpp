#include "../../os/tests/SocketTestUtil.h"
#include "TestStreams.h"

#include <rdr/FdInStream.h>
#include <rdr/FdOutStream.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using rdrtest::thrownMessage;
using testutil::FdGuard;

namespace {

// A pipe (a reads, b writes) or a non-blocking socket pair; closes both.
struct FdPair {
  FdGuard a, b;
  explicit FdPair(bool nonBlocking, bool socket = false)
  {
    int fds[2];
    EXPECT_EQ(0, socket
                     ? socketpair(AF_UNIX,
                                  SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0,
                                  fds)
                     : pipe2(fds, O_CLOEXEC | (nonBlocking ? O_NONBLOCK : 0)));
    a.reset(fds[0]);
    b.reset(fds[1]);
  }
};

TEST(FdInStream, ReadsUntilTheWriterCloses)
{
  FdPair p(false);
  auto data = rdrtest::pattern(5000);
  ASSERT_EQ(write(p.b.get(), data.data(), data.size()), 5000);
  p.b.reset(-1);
  rdr::FdInStream in(p.a.get(), 7);
  std::vector<uint8_t> got(5000);
  in.readBytes(got.data(), got.size());
  EXPECT_EQ(got, data);
  EXPECT_EQ(thrownMessage<rdr::EndOfStream>([&] { in.readU8(); }),
            "End of IO stream");

  // Owned descriptors move with the stream; the first refill of the moved
  // one finds the writer gone.
  FdPair empty(false);
  empty.b.reset(-1);
  rdr::FdInStream first(fcntl(empty.a.get(), F_DUPFD_CLOEXEC, 0));
  first.setOwnFd(true);
  rdr::FdInStream second(std::move(first));
  EXPECT_EQ(first.getFd(), -1);
  EXPECT_THROW(second.check(true, 1), rdr::EndOfStream);
}

TEST(FdInStream, BlockingModeWaitsAndTimesOut)
{
  FdPair p(true);
  rdr::FdInStream in(p.a.get());
  in.setTimeout(20);
  EXPECT_EQ(thrownMessage<plat::TimedOut>([&] { in.readU8(); }), "Timed out");
  ASSERT_EQ(write(p.b.get(), "z", 1), 1);
  EXPECT_EQ(in.readU8(), 'z');
  in.setTimedOut();
  EXPECT_THROW(in.readU8(), plat::TimedOut);
}

TEST(FdInStream, DescriptorAt1024CannotBeSelected)
{
  struct rlimit rl;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &rl), 0);
  if (rl.rlim_cur <= 1024) {
    if (rl.rlim_max <= 1024)
      GTEST_SKIP() << "descriptor limit too low for fd 1024";
    rl.rlim_cur = 1025;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &rl), 0);
  }
  FdPair p(true);
  FdGuard high(dup3(p.a.get(), 1024, O_CLOEXEC));
  ASSERT_EQ(high.get(), 1024);
  rdr::FdInStream in(high.get());
  EXPECT_EQ(thrownMessage<plat::SystemException>([&] { in.readU8(); }),
            "select: Too many open files (24)");
}

struct RecordingCallback : rdr::FdOutStream::Callback {
  int attempts = 0, blocked = 0, shutdowns = 0;
  void writeAttempted(rdr::FdOutStream*, bool b) override
  {
    attempts++;
    blocked += b;
  }
  void shutdownRequested(rdr::FdOutStream*) override { shutdowns++; }
};

TEST(FdOutStream, ShutdownOnlyWhenNothingPending)
{
  FdPair s(true, true);
  RecordingCallback cb;
  {
    rdr::FdOutStream out(s.a.get());
    out.setCallback(&cb);
    out.writeU32(0x61626364);
    EXPECT_TRUE(out.shutdownWrite()); // pending: no shutdown yet
    out.flush();
    out.shutdownWrite();
  }
  char buf[8];
  ASSERT_EQ(read(s.b.get(), buf, sizeof(buf)), 4);
  EXPECT_EQ(memcmp(buf, "abcd", 4), 0);
  EXPECT_EQ(read(s.b.get(), buf, 1), 0); // end of data after the shutdown
}

TEST(FdOutStream, WriteErrorsThrownOrLogged)
{
  // Restored only after out's destructor has retried the write.
  struct IgnoreSigpipe {
    struct sigaction old, ign{};
    IgnoreSigpipe()
    {
      ign.sa_handler = SIG_IGN;
      sigaction(SIGPIPE, &ign, &old);
    }
    ~IgnoreSigpipe() { sigaction(SIGPIPE, &old, nullptr); }
  } guard;
  FdPair p(true);
  p.a.reset(-1);
  rdr::FdOutStream out(p.b.get());
  RecordingCallback cb;
  out.setCallback(&cb);
  out.writeU8(1);
  EXPECT_EQ(thrownMessage<plat::SystemException>([&] { out.flush(); }),
            "write: Broken pipe (32)");
  out.setThrowErrors(false);
  out.lazyFlush(true); // neither flag: the error is only logged
  EXPECT_EQ(out.pendingBytes(), 1u);
  EXPECT_EQ(cb.attempts, 0);
}

} // namespace
