#include <io/FdIo.h>
#include <io/FdLoop.h>
#include <io/LogDestIpc.h>
#include <os/SocketUtil.h>
#include <plat/DString.h>
#include <rdr/InStream.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// The follower's side: "<level> <source> <text>" for each "logMsg".
class LogRecords : public io::MsgIpc::Reader {
public:
  bool readMsg(const char*, rdr::InStream& in, io::MsgIpc&) override
  {
    int level = in.readS32();
    plat::DString src, text;
    in.readString8(src);
    in.readString32(text, 1 << 20);
    got.push_back(std::to_string(level) + " " + src.c_str() + " " +
                  text.c_str());
    return true;
  }
  std::vector<std::string> got;
};

// The destination's channel and the follower's, on a socket pair.
struct Pair {
  explicit Pair(bool eventDriven)
  {
    int fds[2];
    os::createSocketPair(fds);
    agent.bind(new io::FdIo(fds[0]), eventDriven);
    follower.bind(new io::FdIo(fds[1]), false);
    follower.setReader("logMsg", &records);
  }
  void setLevel(int level)
  {
    follower.writeMsg("setLogLevel").writeS32(level);
    follower.endMsg();
  }
  io::MsgIpc agent{0}, follower{0};
  LogRecords records;
};

} // namespace

TEST(LogDestIpc, QueuedUntilTheFollowerSetsItsLevel)
{
  Pair p(false);
  io::LogDestIpc dest;
  dest.setChannel(&p.agent);
  dest.setPrefix("agent");
  std::string src(300, 's'), text(2000, 't');
  dest.write(0, "Src", "first");
  dest.write(50, src.c_str(), text.c_str());
  for (int i = 0; i < 1000; i++)
    dest.write(110, "Src", "more");
  dest.flush(); // not ready: keeps everything
  EXPECT_EQ(size_t(1001), dest.queued());

  p.setLevel(30);
  p.agent.readMessage("setLogLevel");
  EXPECT_TRUE(dest.isReady());
  EXPECT_EQ(size_t(0), dest.queued());
  dest.write(31, "Src", "above the level");
  dest.write(30, "Src", "last");
  dest.flush();
  for (int i = 0; i < 1002; i++)
    p.follower.readMessage("logMsg");

  const std::vector<std::string>& got = p.records.got;
  EXPECT_EQ("0 agent: Src first", got[0]);
  EXPECT_EQ("50 " + ("agent: " + src).substr(0, 255) + " " +
                text.substr(0, 1024),
            got[1]);
  EXPECT_EQ("110 agent: Src more", got[2]);
  EXPECT_EQ("0 agent: LogDestIpc Too many messages, discarding further ones",
            got[1000]);
  EXPECT_EQ("30 agent: Src last", got[1001]);
  dest.setChannel(nullptr);
}

TEST(LogDestIpc, OtherThreadsWakeTheLoopToSend)
{
  io::FdLoop loop;
  Pair p(true);
  io::LogDestIpc dest;
  dest.setChannel(&p.agent);
  p.setLevel(100);
  for (int i = 0; i < 100 && !dest.isReady(); i++)
    loop.waitAndProcess(50);

  std::thread other([&] { dest.write(30, "Other", "from a thread"); });
  loop.waitAndProcess(5000); // the kick ends the wait
  other.join();
  p.follower.readMessage("logMsg");
  EXPECT_EQ(std::vector<std::string>{"30 Other from a thread"}, p.records.got);

  p.follower.drop();
  for (int i = 0; i < 100 && p.agent.isConnected(); i++)
    loop.waitAndProcess(50);
  EXPECT_FALSE(dest.isReady());
  dest.setChannel(nullptr);
}
