#include "MemIo.h"

#include <io/FdLoop.h>
#include <io/LogDestIpc.h>

#include <gtest/gtest.h>

#include <thread>

using testutil::MemIo;
using testutil::msg;
using testutil::Recorder;

TEST(MsgIpc, ReadMessageFailuresSkipTheMessage)
{
  MemIo io(msg("B") + msg("A", "a") + msg("badMsg", "\x01Q") + msg("A"),
           size_t(-1));
  io::MsgIpc ipc(0, &io, false);
  Recorder rec;
  ipc.setReader("A", &rec);
  for (const char* error :
       {"MsgIpc: expected message A, got B",
        "MsgIpc: expected message A, peer reports bad msg name 'Q'"}) {
    EXPECT_EQ(error, rdrtest::thrownMessage<plat::Exception>(
                         [&] { ipc.readMessage("A"); }));
    ipc.readMessage("A");
  }
  EXPECT_EQ((std::vector<std::string>{"a", ""}), rec.got);
}

namespace {

// A "logMsg" message as the peer receives it.
std::string logMsg(uint32_t level, const std::string& src,
                   const std::string& text)
{
  auto be32 = [](uint32_t v) {
    return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  };
  return msg("logMsg",
             be32(level) + char(src.size()) + src + be32(text.size()) + text);
}

} // namespace

TEST(LogDestIpc, SendsOnceTheFollowerSetsItsLevel)
{
  io::FdLoop loop; // runs the kicker
  // A byte that arrives last keeps the connection open until then.
  std::string level = msg("setLogLevel", std::string("\0\0\0\x1e", 4));
  MemIo io(level + "\x80", 0);
  io::MsgIpc agent(0, &io, true);
  io::LogDestIpc dest;
  dest.setChannel(&agent);
  dest.setPrefix("agent");
  std::string src(300, 's'), text(2000, 't');
  std::string want =
      logMsg(0, "agent: Src", "first") +
      logMsg(50, ("agent: " + src).substr(0, 255), text.substr(0, 1024));
  dest.write(0, "Src", "first");
  dest.write(50, src.c_str(), text.c_str());
  for (int i = 0; i < 1000; i++) {
    dest.write(110, "Src", "more");
    want += i < 998 ? logMsg(110, "agent: Src", "more") : "";
  }
  dest.flush(); // not ready: keeps everything
  EXPECT_EQ(0u, io.out.length());

  io.arrive(level.size());
  std::thread other([&] {
    dest.write(31, "Src", "above the level");
    dest.write(30, "Src", "last");
  });
  other.join();
  loop.waitAndProcess(5000); // the kick ends the wait
  want += logMsg(0, "agent: LogDestIpc",
                 "Too many messages, discarding further ones") +
          logMsg(30, "agent: Src", "last");
  EXPECT_TRUE(want == io.sent()); // too long to show

  io.arrive(1);
  EXPECT_FALSE(dest.isReady());
  dest.setChannel(nullptr);
}
