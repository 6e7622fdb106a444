#include "../../os/tests/SocketTestUtil.h"

#include <io/UnixIo.h>
#include <os/SocketUtil.h>
#include <plat/Exception.h>
#include <rdr/OutStream.h>

#include <gtest/gtest.h>

#include <errno.h>
#include <string>
#include <thread>

using testutil::FdGuard;
using testutil::Listener;
using testutil::openDescriptorCount;
using testutil::TempDir;

namespace {

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

const std::string uidPart = "-uid-" + std::to_string(geteuid());

struct Server {
  TempDir dir;
  std::string path = dir.path() + "/print.agent";
  Listener l{path};
};

} // namespace

// A job hand-off to a peer that reads slowly: flush() must wait until
// everything went, even though the descriptor is non-blocking.
TEST(UnixIo, ClientFlushWaitsForSlowPeerAndCloses)
{
  Server srv;
  ASSERT_TRUE(srv.l.ok());
  std::string received;
  std::thread peer([&] {
    FdGuard s(srv.l.accept());
    usleep(100 * 1000);
    received = readAll(s.get());
  });
  std::string payload(4 << 20, '\0');
  for (size_t i = 0; i < payload.size(); i++)
    payload[i] = char(i * 7 + i / 4096);
  int before = openDescriptorCount();
  {
    os::UnixIo conn(srv.path.c_str(), -1, 0);
    EXPECT_EQ("<unix-client-" + srv.path + uidPart + ">",
              std::string(conn.getName()));
    EXPECT_EQ(geteuid(), conn.getPeerEuid());
    EXPECT_TRUE(conn.hasProperty("secureTransport"));
    EXPECT_EQ("[unix:" + srv.path + "]", std::string(conn.getPeerName()));
    conn.getOutStream().writeBytes(payload.data(), payload.size());
    conn.getOutStream().flush();
    EXPECT_EQ(0u, conn.getOutStream().pendingBytes());
  }
  peer.join();
  EXPECT_EQ(before, openDescriptorCount());
  EXPECT_TRUE(received == payload);
}

TEST(UnixIo, AdoptedDescriptorNames)
{
  Server srv;
  ASSERT_TRUE(srv.l.ok());
  FdGuard c(os::unixConnect(srv.path.c_str(), 0, false));
  int before = openDescriptorCount();
  {
    os::UnixIo conn(srv.path.c_str(), srv.l.accept(), 0);
    EXPECT_EQ("<unix-server-" + srv.path + uidPart + ">",
              std::string(conn.getName()));
  }
  EXPECT_EQ(before, openDescriptorCount()) << "adopted descriptor not closed";

  // No path, and no credentials to read from a pipe: no uid part.
  int fds[2];
  os::createPipe(fds);
  FdGuard w(fds[1]);
  os::UnixIo conn(nullptr, fds[0], 0);
  EXPECT_STREQ("<unix-server-anon>", conn.getName());
  EXPECT_THROW(conn.getPeerEuid(), plat::SystemException);
}
