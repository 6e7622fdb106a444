// Log sources: the routing grammar and its error lines, pattern
// matching, level recomputation, escaping, replay from memory.
#include <plat/Assert.h>
#include <plat/LogDest.h>
#include <plat/LogDestMem.h>
#include <plat/LogSrc.h>
#include <plat/StringParameter.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

using namespace plat;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

struct Line {
  int level;
  std::string src;
  std::string text;
};

class RecordingDest : public LogDest {
public:
  explicit RecordingDest(const char* name) : LogDest(name) {}
  void write(int level, const char* src, const char* text) override
  {
    std::lock_guard<std::mutex> lock(m);
    lines.push_back({level, src, text});
  }
  std::mutex m;
  std::vector<Line> lines;
};

// A destination that wants nothing above 20.
class PickyDest : public RecordingDest {
public:
  PickyDest() : RecordingDest("picky") {}
  bool accepts(int level) const override { return level <= 20; }
};

class LogSrcTest : public ::testing::Test {
protected:
  void SetUp() override { LogDestMem::instance().clear(); }
  void TearDown() override
  {
    LogSrc::setLogSpec(nullptr);
    LogDestMem::instance().clear();
  }
};

} // namespace

TEST_F(LogSrcTest, RoutingAndLevels)
{
  RecordingDest dest("rec"), cap("cap");
  LogSrc conf1("ConfTestOne"), conf2("conftesttwo"), other("Elsewhere");
  LogSrc::setLogSpec("conftest*:rec:30");
  EXPECT_EQ(-1, other.level());
  conf1.status("at %d", 30);
  conf2.info("too detailed"); // stored in memory instead
  other.error("not routed");
  ASSERT_EQ(1u, dest.lines.size());
  EXPECT_EQ("at 30", dest.lines[0].text);

  // A later element for the same pair replaces its level; a source created
  // afterwards takes its destinations from the routing in force; a
  // destination's own level caps the source's.
  cap.setLevel(50);
  LogSrc::setLogSpec("conftest*:rec:30,conftestone:rec:100,conftesttwo:cap:90");
  EXPECT_EQ(100, conf1.level());
  EXPECT_EQ(50, conf2.level());
  EXPECT_EQ(30, LogSrc("ConfTestLate").level());
  EXPECT_TRUE(LogSrc::patternMatches("f*o*t*m", "FdOutStream"));
  EXPECT_TRUE(LogSrc::patternMatches("a**b", "ab"));
  EXPECT_FALSE(LogSrc::patternMatches("*x", "FdIo"));
  cap.setLevel(10);
  dest.setLevel(5);
  LogSrc::recomputeAllLevels();
  EXPECT_EQ(10, conf2.level());
}

TEST_F(LogSrcTest, BadElementsAreReportedAndSkipped)
{
  RecordingDest dest("rec2");
  LogSrc src("BadSpecSource");
  LogSrc::setLogSpec("badspecsource:rec2:30");
  ASSERT_EQ(30, src.level());

  CaptureStderr();
  LogSrc::setLogSpec("*:nowhere:100");
  EXPECT_EQ("No LogDest found: 'nowhere'\n", GetCapturedStderr());
  EXPECT_EQ(-1, src.level()); // earlier destinations are gone

  CaptureStderr();
  LogSrc::setLogSpec("*:rec2:x,*:rec2,*::5,badspecsource:rec2:7");
  EXPECT_EQ("Failed to parse log param element: '*:rec2:x'\n"
            "Failed to parse log param element: '*:rec2'\n",
            GetCapturedStderr());
  EXPECT_EQ(7, src.level());
}

TEST_F(LogSrcTest, EscapesAndCutsMessages)
{
  RecordingDest dest("esc");
  LogSrc src("EscSource");
  LogSrc::setLogSpec("escsource:esc:100");
  src.error("a\tb\nc~d\x7f");
  src.error("caf\xc3\xa9 }"); // valid UTF-8 is kept
  src.error("x\xff"
            "y\xc3(z\xa0"); // invalid bytes
  // A long message is cut without splitting a character.
  std::string text(4094, 'a');
  src.error("%s\xc3\xa9", text.c_str()); // would end at byte 4096
  ASSERT_EQ(4u, dest.lines.size());
  EXPECT_EQ("a~^Ib~^Jc~~d~^?", dest.lines[0].text);
  EXPECT_EQ("caf\xc3\xa9 }", dest.lines[1].text);
  EXPECT_EQ("x~M^?y~M-C(z~M^`", dest.lines[2].text);
  EXPECT_EQ(text, dest.lines[3].text);
}

TEST_F(LogSrcTest, ReplayFromMemoryForStarElements)
{
  LogSrc src("ReplaySource");
  src.log(0, "zero");
  src.log(50, "fifty");
  src.log(120, "one-twenty");
  PickyDest picky; // refuses level 100: no replay into it
  RecordingDest dest("replay");
  LogSrc::setLogSpec("*:replay:100,*:picky:100,replaysource:replay:100");

  std::vector<std::string> mine;
  for (const Line& l : dest.lines) {
    if (l.src == "ReplaySource" || l.src == "LogDestMem")
      mine.push_back(std::to_string(l.level) + " " + l.src + " " + l.text);
  }
  EXPECT_EQ(mine, (std::vector<std::string>{
                      "100 LogDestMem Start replaying stored messages",
                      "0 ReplaySource zero", "50 ReplaySource fifty",
                      "100 LogDestMem Finished replaying stored messages"}));
  EXPECT_TRUE(picky.lines.empty());

  // What was delivered is dropped from memory; the rest stays.
  std::vector<LogDestMem::Message> left = LogDestMem::instance().messages();
  ASSERT_EQ(1u, left.size());
  EXPECT_EQ("one-twenty", left[0].text);
}

TEST_F(LogSrcTest, MemoryStoreLimit)
{
  LogDestMem& mem = LogDestMem::instance();
  for (int i = 0; i < 502; i++)
    mem.write(i % 3, "Src", "msg");
  std::vector<LogDestMem::Message> all = mem.messages();
  EXPECT_EQ(501u, all.size());
  EXPECT_EQ("Too many messages, discarding further ones", all.back().text);

  // Dropping makes room again.
  mem.dropUpTo(1);
  mem.write(7, "Src", "again");
  EXPECT_EQ("again", mem.messages().back().text);
}

TEST_F(LogSrcTest, FinishStartupEmptiesMemoryAndSkipsFormatting)
{
  // finishStartup() cannot be undone, so it runs in a child process.
  EXPECT_EXIT(
      {
        LogSrc src("AfterStartup");
        LogSrc::setLogSpec("");
        src.error("before");
        LogSrc::finishStartup();
        src.error("after, with no destination");
        exit(LogDestMem::instance().messages().size() + src.enabled(0));
      },
      testing::ExitedWithCode(0), "");
}

// A destination that logs from its write(), as a failing transport would.
// Its messages are more detailed than it takes, so they head for memory.
class ChattyDest : public RecordingDest {
public:
  ChattyDest() : RecordingDest("chatty"), src("ChattySource") {}
  void write(int level, const char* s, const char* text) override
  {
    RecordingDest::write(level, s, text);
    src.log(50, "echo");
  }
  LogSrc src;
};

TEST_F(LogSrcTest, DestinationLoggingDuringReplayDoesNotDeadlock)
{
  LogSrc src("ReplayChat");
  src.error("stored");
  ChattyDest chatty;
  LogSrc::setLogSpec("*:chatty:0");
  ASSERT_EQ(3u, chatty.lines.size());
  EXPECT_EQ("Start replaying stored messages", chatty.lines.front().text);
  // The echoes written during the replay were not stored.
  for (const LogDestMem::Message& m : LogDestMem::instance().messages())
    EXPECT_NE("echo", m.text);
}

TEST_F(LogSrcTest, WarningsLogOnAssertionSourceAndDestinationsAreFound)
{
  RecordingDest dest("LookMeUp");
  EXPECT_EQ(&dest, LogDest::find("lookmeup"));
  warning(Exception("disk on fire"));
  bool found = false;
  for (const LogDestMem::Message& m : LogDestMem::instance().messages())
    found |= m.src == "Assertion" && m.text == "Warning: disk on fire";
  EXPECT_TRUE(found);
}
