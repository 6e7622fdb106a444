#include "../../os/tests/SocketTestUtil.h"
#include "../../plat/tests/LogCapture.h"

#include <io/FdIo.h>
#include <io/FdLoop.h>
#include <io/MsgIpc.h>
#include <os/SocketUtil.h>
#include <rdr/Exception.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One framed message: a single last frame holding the name and the body.
std::string msg(const std::string& name, const std::string& body = "")
{
  size_t n = 1 + name.size() + body.size();
  return std::string{char(0x80 | n >> 8), char(n), char(name.size())} + name +
         body;
}

// Records "name:body" for each message. With returnFalse it answers false
// instead of letting a would-block read escape.
class Recorder : public io::MsgIpc::Reader {
public:
  bool readMsg(const char* name, rdr::InStream& in, io::MsgIpc&) override
  {
    calls++;
    std::string body;
    try {
      while (!in.atEnd())
        body += char(in.readU8());
    } catch (const rdr::BlockException&) {
      if (!returnFalse)
        throw;
      return false;
    }
    got.push_back(std::string(name) + ":" + body);
    return true;
  }
  void ipcDropped(io::MsgIpc&) override { dropped = true; }

  std::vector<std::string> got;
  bool returnFalse = false, dropped = false;
  int calls = 0;
};

// A channel on one end of a socket pair; the test plays the peer on the
// other end with raw bytes.
class MsgIpcTest : public ::testing::Test {
protected:
  void start(int flags, bool eventDriven)
  {
    int fds[2];
    os::createSocketPair(fds);
    peer_.reset(fds[1]);
    ipc_.reset(new io::MsgIpc(flags, new io::FdIo(fds[0]), eventDriven));
  }
  void send(const std::string& bytes)
  {
    ASSERT_EQ(ssize_t(bytes.size()),
              write(peer_.get(), bytes.data(), bytes.size()));
  }
  std::string recv(size_t n)
  {
    std::string s(n, '\0');
    for (size_t got = 0; got < n;) {
      ssize_t r = read(peer_.get(), &s[got], n - got);
      if (r <= 0)
        break;
      got += size_t(r);
    }
    return s;
  }
  // Runs the loop until cond holds (or a few seconds pass).
  template <class Cond> void runUntil(Cond cond)
  {
    for (int i = 0; i < 100 && !cond(); i++)
      loop_.waitAndProcess(50);
  }

  io::FdLoop loop_;
  testutil::FdGuard peer_;
  std::unique_ptr<io::MsgIpc> ipc_;
  Recorder rec_;
};

} // namespace

TEST_F(MsgIpcTest, WireBytesAndBadNameReply)
{
  start(io::MsgIpc::ReplyBadName, false);
  ipc_->writeMsg("Abc").writeBytes("xyz", 3);
  ipc_->endMsg();
  EXPECT_EQ(std::string("\x80\x07\x03"
                        "Abcxyz"),
            recv(9));

  send(msg("Xyz", "body"));
  ipc_->readMessage();
  EXPECT_EQ(msg("badMsg", "\x03Xyz"), recv(13));
}

TEST_F(MsgIpcTest, ReadMessageFailuresSkipTheMessage)
{
  start(0, false);
  ipc_->setReader("A", &rec_);
  struct {
    std::string bytes;
    const char* expected;
    const char* error;
  } cases[] = {
      {msg("B", "bb"), "A", "MsgIpc: expected message A, got B"},
      {msg("badMsg", "\x01Q"), "A",
       "MsgIpc: expected message A, peer reports bad msg name 'Q'"},
      {msg("badMsg", "\x01Q"), nullptr,
       "MsgIpc: expected message <null>, peer reports bad msg name 'Q'"},
  };
  for (const auto& c : cases) {
    send(c.bytes + msg("A", "a"));
    try {
      ipc_->readMessage(c.expected);
      ADD_FAILURE() << c.error;
    } catch (const plat::Exception& e) {
      EXPECT_STREQ(c.error, e.message());
    }
    ipc_->readMessage(c.expected);
  }
  EXPECT_EQ(3u, rec_.got.size());
}

TEST_F(MsgIpcTest, ReaderIsCalledAgainWhenTheBodyArrives)
{
  start(0, true);
  ipc_->setReader("A", &rec_);
  rec_.returnFalse = true;
  std::string m = msg("A", "12345");
  send(m.substr(0, 5));
  runUntil([&] { return rec_.calls > 0; });
  send(m.substr(5));
  runUntil([&] { return !rec_.got.empty(); });
  EXPECT_EQ(std::vector<std::string>{"A:12345"}, rec_.got);
  EXPECT_LE(2, rec_.calls);
}

TEST_F(MsgIpcTest, GarbageEndsAsTheFlagsSay)
{
  // 65536 bytes of body in three frames.
  std::string big = "\x01"
                    "C" +
                    std::string(65536, 'x');
  big = "\x7f\xfe" + big.substr(0, 32766) + "\x7f\xfe" +
        big.substr(32766, 32766) + "\x80\x06" + big.substr(65532);
  struct {
    int flags;
    std::string bytes;
    bool staysConnected;
    const char* logged;
  } cases[] = {
      {0, std::string("\x80\x00", 2), false, nullptr}, // no room for a name
      {0, msg("\x01x"), true, ": Bad msg name '~^Ax'"},
      {io::MsgIpc::CloseOnBadControlName, msg("\x01x"), false, nullptr},
      {io::MsgIpc::CloseOnBadControlName, msg("Ax"), true, "'Ax'"},
      {0, msg("A", "abc").substr(0, 5), false, nullptr}, // then the peer goes
      {0, big, true, nullptr},
  };
  for (const auto& c : cases) {
    LogCapture log("msgipctest", "Ipc:msgipctest:100");
    start(c.flags, true);
    rec_ = Recorder();
    for (const char* name : {"A", "Z"})
      ipc_->setReader(name, &rec_);
    // Messages are handled in order: once "Z" is in, so is the rest.
    send(c.bytes + (c.staysConnected ? msg("Z") : ""));
    if (!c.staysConnected)
      peer_.reset(-1);
    runUntil([&] {
      return !ipc_->isConnected() ||
             (!rec_.got.empty() && rec_.got.back() == "Z:");
    });
    EXPECT_EQ(c.staysConnected, ipc_->isConnected()) << c.bytes.size();
    EXPECT_EQ(!c.staysConnected, rec_.dropped);
    if (c.logged) {
      EXPECT_NE(std::string::npos, log.lines().at(0).find(c.logged));
    }
  }
}
