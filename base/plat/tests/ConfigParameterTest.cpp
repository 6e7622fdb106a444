// Typed parameters: priorities and unset, the text syntax of each type,
// callbacks, "noPolicy", clones.
#include <plat/BinaryParameter.h>
#include <plat/ConfigParameter.h>
#include <plat/Configuration.h>
#include <plat/Exception.h>
#include <plat/LogDestMem.h>
#include <plat/StringParameter.h>

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace plat;

namespace {

// The last line the memory destination holds from ConfigParameter.
std::string lastLine()
{
  std::string last;
  for (const LogDestMem::Message& m : LogDestMem::instance().messages())
    if (m.src == "ConfigParameter")
      last = m.text;
  return last;
}

struct Recorder : ParameterChangedCallback {
  std::vector<int> calls;
  void parameterChanged(ConfigParameter&, int priority) override
  {
    calls.push_back(priority);
  }
};

class ConfigParameterTest : public ::testing::Test {
protected:
  void SetUp() override { LogDestMem::instance().clear(); }
  Configuration conf{"Test"};
};

} // namespace

// Each type's text forms: a refused text leaves the value and logs nothing
// at that priority.
TEST_F(ConfigParameterTest, TextSyntaxOfEachType)
{
  IntParameter i("ZlibLevel", "d", -1, true, &conf, -1, 9);
  for (const char* bad : {"10", "3x", "", (const char*)nullptr})
    EXPECT_FALSE(i.setFromText(bad, PriorityPreference)) << bad;
  EXPECT_FALSE(i.hasValueAt(PriorityPreference));
  EXPECT_TRUE(i.setFromText("0x9", PriorityPreference));
  EXPECT_TRUE(i.setFromText("010", PriorityPreference));
  EXPECT_STREQ("8", i.valueText().c_str());

  BoolParameter b("MiniUpdates", "d", false, true, &conf);
  EXPECT_FALSE(b.setFromText("maybe", PriorityPreference));
  EXPECT_EQ("Bool parameter MiniUpdates: invalid value 'maybe'", lastLine());
  EXPECT_TRUE(b.setFromText("", PriorityPreference) && b);
  EXPECT_TRUE(b.setFromText("OFF", PriorityPreference) && !b);
  EXPECT_TRUE(b.setFromText("yes", PriorityPreference) && b);

  StringParameter s("Str", "d", "abc", false, &conf);
  EXPECT_FALSE(s.setFromText(nullptr, PriorityPreference));
  EXPECT_EQ("Bad UTF-8 string for Str", testutil::thrownMessage<BadUtf8>([&] {
              s.setFromText("\xc0\x80", PriorityPreference);
            }));

  // Sixteen hex digits are the bytes of the value, lowest first.
  S64Parameter l("Big", "d", "int64:0000000000000000", false, &conf);
  for (const char* bad : {"int64:000000000000001", "01020304050607"})
    EXPECT_FALSE(l.setFromText(bad, PriorityPreference)) << bad;
  EXPECT_TRUE(l.setFromText("0102030405060708", PriorityPreference));
  EXPECT_EQ(0x0807060504030201LL, l.getValue());
  EXPECT_TRUE(l.setValue(-2, PriorityPreference));
  EXPECT_STREQ("int64:fffffffffffffffe", l.valueText().c_str());

  static const char* const names[] = {"low", "Medium", "high", nullptr};
  EnumParameter e("Quality", "d", 1, names, false, &conf);
  EXPECT_TRUE(e.setFromText("HIGH", PriorityPreference));
  EXPECT_STREQ("high", e.valueText().c_str());
  EXPECT_FALSE(e.setFromText("2", PriorityPreference));
  EXPECT_FALSE(e.setFromInt(3, PriorityPreference));
}

TEST_F(ConfigParameterTest, BinaryValueIsNeverShownAndKeepsWipingBuffer)
{
  BinaryParameter b("Key", "d", "\x01\x02", 2, true, true, &conf);
  EXPECT_FALSE(b.setFromText("abc", PriorityPreference));
  EXPECT_TRUE(b.setFromText("00ff10", PriorityPreference));
  EXPECT_STREQ("<binary>", b.valueText().c_str());
  MBuf<unsigned char> out(8, true);
  const unsigned char* mem = out.data();
  b.getValue(out);
  ASSERT_EQ(3u, out.size());
  EXPECT_EQ(mem, out.data());
  EXPECT_EQ(0, memcmp(out.data(), "\x00\xff\x10", 3));
  EXPECT_TRUE(out.wipes());
}

TEST_F(ConfigParameterTest, PrioritiesUnsetAndLogLines)
{
  Configuration conf("Test", {nullptr, nullptr}, true);
  IntParameter p("Prio", "desc", 1, false, &conf);
  Recorder rec;
  p.addCallback(&rec);

  EXPECT_TRUE(p.setFromInt(5, PriorityPreference));
  EXPECT_TRUE(p.setFromInt(7, PriorityDefault));
  EXPECT_EQ(5, p.getValue());
  EXPECT_EQ((std::vector<int>{10, 0}), rec.calls);
  EXPECT_EQ("set Prio(int) to 7, priority 0", lastLine());

  // The same value again: no log line, no callback.
  LogDestMem::instance().clear();
  EXPECT_TRUE(p.setFromInt(5, PriorityPreference));
  EXPECT_EQ("", lastLine());
  EXPECT_EQ(2u, rec.calls.size());

  p.unset(PriorityDefault); // never removed
  EXPECT_TRUE(p.hasValueAt(PriorityDefault));
  p.unset(PriorityPreference);
  EXPECT_EQ(7, p.getValue());
  EXPECT_EQ("unset Prio(int) priority 10, now 7, priority 0", lastLine());
  p.setFromInt(3, PriorityPreference);
  p.unset(PriorityPreference, false);
  EXPECT_EQ(4u, rec.calls.size());
  p.removeCallback(&rec);

  EXPECT_STREQ("Priority 20", p.priorityLabel(20).c_str());
  EXPECT_STREQ("Policy", p.priorityLabel(30).c_str());
  p.setFromInt(2, PriorityPreference);
  p.setFromInt(3, 40);
  EXPECT_STREQ("Policy overriding preference", p.priorityLabel(40).c_str());
  std::map<int, String> all = p.allValueTexts();
  EXPECT_EQ(3u, all.size());
  EXPECT_TRUE(p.valueTextAt(20).isNull());
}

TEST_F(ConfigParameterTest, NoPolicyRefusesPolicyAndSurvivesClone)
{
  Configuration other("B");
  IntParameter p("Cloned", "desc", 4, true, &conf, 0, 10, "x,noPolicy");
  EXPECT_TRUE(p.hasTag("x"));
  EXPECT_FALSE(p.setFromText("1", PriorityPolicy));
  EXPECT_TRUE(p.setFromText("6", 29));
  std::unique_ptr<ConfigParameter> c = p.cloneInto(other);
  EXPECT_EQ(c.get(), other.find("cloned"));
  EXPECT_EQ(6, c->intValue());
  EXPECT_STREQ("4", c->valueTextAt(PriorityDefault).c_str());
  EXPECT_FALSE(c->setFromInt(11, 20));
  EXPECT_FALSE(c->setFromInt(1, PriorityPolicy));
  c.reset();
  EXPECT_EQ(nullptr, other.find("Cloned"));
}
