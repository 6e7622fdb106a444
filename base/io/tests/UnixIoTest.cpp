#include "../../os/tests/SocketTestUtil.h"

#include <io/UnixIo.h>
#include <os/SocketUtil.h>
#include <plat/Exception.h>
#include <rdr/OutStream.h>

#include <gtest/gtest.h>

#include <errno.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>

using testutil::FdGuard;
using testutil::Listener;
using testutil::TempDir;
using testutil::openDescriptorCount;

namespace {

// Reads from fd until end of file.
std::string readAll(int fd)
{
  std::string data;
  char buf[65536];
  ssize_t n;
  while ((n = read(fd, buf, sizeof(buf))) > 0 || (n < 0 && errno == EINTR))
    if (n > 0)
      data.append(buf, size_t(n));
  return data;
}

std::string uidPart()
{
  return "-uid-" + std::to_string(geteuid());
}

} // namespace

// What a job hand-off does: connect, send one length-prefixed text, flush,
// close.
TEST(UnixIo, ClientSendsStringAndCloses)
{
  TempDir dir;
  std::string path = dir.path() + "/print.agent";
  Listener l(path);
  ASSERT_TRUE(l.ok());
  int before = openDescriptorCount();
  {
    os::UnixIo conn(path.c_str(), -1, 0);
    EXPECT_EQ("<unix-client-" + path + uidPart() + ">",
              std::string(conn.getName()));
    EXPECT_TRUE(conn.hasProperty("secureTransport"));
    EXPECT_FALSE(conn.hasProperty("other"));
    EXPECT_EQ("[unix:" + path + "]", std::string(conn.getPeerName()));
    EXPECT_EQ(geteuid(), conn.getPeerEuid());
    conn.getOutStream().writeString("/tmp/jex-42.ini12345", -1);
    conn.getOutStream().flush();
  }
  EXPECT_EQ(before, openDescriptorCount());
  FdGuard s(l.accept());
  EXPECT_EQ(std::string("\0\0\0\x14/tmp/jex-42.ini12345", 24), readAll(s.get()));
}

// A peer that reads slowly: flush() must wait until everything went, even
// though the descriptor is non-blocking.
TEST(UnixIo, BlockingFlushWaitsForSlowPeer)
{
  TempDir dir;
  std::string path = dir.path() + "/s";
  Listener l(path);
  ASSERT_TRUE(l.ok());
  std::string received;
  std::thread peer([&] {
    FdGuard s(l.accept());
    usleep(100 * 1000);
    received = readAll(s.get());
  });

  std::vector<char> payload(4 << 20);
  for (size_t i = 0; i < payload.size(); i++)
    payload[i] = char(i * 7 + i / 4096);
  {
    os::UnixIo conn(path.c_str(), -1, 0);
    conn.getOutStream().writeBytes(payload.data(), payload.size());
    conn.getOutStream().flush();
    EXPECT_EQ(0u, conn.getOutStream().pendingBytes());
  }
  peer.join();
  EXPECT_TRUE(received == std::string(payload.begin(), payload.end()));
}

TEST(UnixIo, ConnectFailuresLeaveNoDescriptor)
{
  TempDir dir;
  int before = openDescriptorCount();
  std::string missing = dir.path() + "/none";
  try {
    os::UnixIo conn(missing.c_str(), -1, 0);
    ADD_FAILURE() << "connected to nothing";
  } catch (const plat::SystemException& e) {
    EXPECT_EQ(ENOENT, e.err());
    EXPECT_EQ(0, strncmp(e.message(), "connect: ", 9)) << e.message();
  }
  std::string tooLong = dir.path() + "/" + std::string(108, 'x');
  try {
    os::UnixIo conn(tooLong.c_str(), -1, 0);
    ADD_FAILURE() << "connected to an overlong path";
  } catch (const plat::SystemException& e) {
    EXPECT_EQ(36, e.err());
    EXPECT_EQ(0, strncmp(e.message(), "UnixIo: ", 8)) << e.message();
  }
  EXPECT_EQ(before, openDescriptorCount());
}

TEST(UnixIo, AdoptedDescriptorNames)
{
  TempDir dir;
  std::string path = dir.path() + "/srv";
  Listener l(path);
  ASSERT_TRUE(l.ok());
  FdGuard c(os::unixConnect(path.c_str(), 0, false));
  int before = openDescriptorCount();
  {
    os::UnixIo conn(path.c_str(), l.accept(), 0);
    EXPECT_EQ("<unix-server-" + path + uidPart() + ">",
              std::string(conn.getName()));
    // The accepting end's peer has no address.
    EXPECT_STREQ("", conn.getPeerName());
  }
  EXPECT_EQ(before, openDescriptorCount()) << "adopted descriptor not closed";

  int fds[2];
  os::createSocketPair(fds);
  FdGuard other(fds[1]);
  {
    os::UnixIo conn(nullptr, fds[0], 0);
    EXPECT_EQ("<unix-server-anon" + uidPart() + ">",
              std::string(conn.getName()));
  }

  // No credentials to read from a pipe: no uid part.
  os::createPipe(fds);
  FdGuard w(fds[1]);
  {
    os::UnixIo conn(nullptr, fds[0], 0);
    EXPECT_STREQ("<unix-server-anon>", conn.getName());
    EXPECT_THROW(conn.getPeerEuid(), plat::SystemException);
  }
}

// A peer that went away makes flush fail with an exception; the process is
// not killed by SIGPIPE.
TEST(UnixIo, FlushToClosedPeerThrows)
{
  TempDir dir;
  std::string path = dir.path() + "/gone";
  Listener l(path);
  ASSERT_TRUE(l.ok());
  os::UnixIo conn(path.c_str(), -1, 0);
  {
    FdGuard accepted(l.accept()); // and closed at once
  }
  conn.getOutStream().writeString("/tmp/jex-1.ini", -1);
  try {
    conn.getOutStream().flush();
    ADD_FAILURE() << "flush to a closed peer succeeded";
  } catch (const plat::SystemException& e) {
    EXPECT_TRUE(e.err() == EPIPE || e.err() == ECONNRESET) << e.message();
    EXPECT_EQ(0, strncmp(e.message(), "write: ", 7)) << e.message();
  }
}
