// Typed parameters: priorities, unset, text syntax of each type, callbacks,
// "noPolicy", clones.
#include <plat/BinaryParameter.h>
#include <plat/ConfigParameter.h>
#include <plat/Configuration.h>
#include <plat/Exception.h>
#include <plat/LogDestMem.h>
#include <plat/StringParameter.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace plat;

namespace {

// Lines the memory destination holds from one source, newest last.
std::vector<std::string> memLines(const char* src)
{
  std::vector<std::string> lines;
  for (const LogDestMem::Message& m : LogDestMem::instance().messages()) {
    if (m.src == src)
      lines.push_back(m.text);
  }
  return lines;
}

struct Recorder : ParameterChangedCallback {
  std::vector<int> calls;
  void parameterChanged(ConfigParameter&, int priority) override
  {
    calls.push_back(priority);
  }
};

// The memory destination is process-wide and limited; start each test with
// it empty so that its last lines are this test's.
class ConfigParameterTest : public ::testing::Test {
protected:
  void SetUp() override { LogDestMem::instance().clear(); }
};

} // namespace

TEST_F(ConfigParameterTest, IntRangeAndBases)
{
  Configuration conf("Test");
  IntParameter level("ZlibLevel", "Zlib compression level (-1=auto, 0=lowest)",
                     -1, true, &conf, -1, 9);
  EXPECT_EQ(-1, level.getValue());
  for (const char* bad : {"10", "-2", "3x", "", (const char*)nullptr})
    EXPECT_FALSE(level.setFromText(bad, PriorityPreference)) << bad;
  EXPECT_EQ(-1, level.getValue());
  EXPECT_FALSE(level.hasValueAt(PriorityPreference));
  EXPECT_TRUE(level.setFromText("0x9", PriorityPreference));
  EXPECT_EQ(9, level.getValue());
  EXPECT_TRUE(level.setFromText("010", PriorityPreference));
  EXPECT_EQ(8, level.getValue());
  EXPECT_FALSE(level.setFromInt(10, PriorityPreference));
  EXPECT_STREQ("8", level.valueText().c_str());
  EXPECT_STREQ("int", level.typeName()); // type names show in log lines
}

TEST_F(ConfigParameterTest, BoolSyntax)
{
  Configuration conf("Test");
  BoolParameter b("MiniUpdates", "desc", false, true, &conf);
  EXPECT_FALSE(b.setFromText("maybe", PriorityPreference));
  std::vector<std::string> lines = memLines("ConfigParameter");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ("Bool parameter MiniUpdates: invalid value 'maybe'", lines.back());

  EXPECT_TRUE(b.setFromText("", PriorityPreference));
  EXPECT_TRUE(b);
  for (const char* t : {"0", "OFF", "False", "no"}) {
    EXPECT_TRUE(b.setFromText(t, PriorityPreference)) << t;
    EXPECT_FALSE(b) << t;
  }
  for (const char* t : {"1", "On", "TRUE", "yes"}) {
    b.setFromText("0", PriorityPreference);
    EXPECT_TRUE(b.setFromText(t, PriorityPreference)) << t;
    EXPECT_TRUE(b) << t;
  }
  EXPECT_STREQ("1", b.valueText().c_str());
  EXPECT_STREQ("bool", b.typeName());
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
  EXPECT_EQ(PriorityPreference, p.priority());
  EXPECT_EQ((std::vector<int>{10, 0}), rec.calls);
  EXPECT_EQ("set Prio(int) to 7, priority 0",
            memLines("ConfigParameter").back());

  // The same value again: no log line, no callback.
  size_t before = memLines("ConfigParameter").size();
  EXPECT_TRUE(p.setFromInt(5, PriorityPreference));
  EXPECT_EQ(before, memLines("ConfigParameter").size());
  EXPECT_EQ(2u, rec.calls.size());

  p.unset(PriorityDefault); // never removed
  EXPECT_TRUE(p.hasValueAt(PriorityDefault));
  p.unset(PriorityPreference);
  EXPECT_EQ(7, p.getValue());
  EXPECT_EQ(PriorityDefault, p.priority());
  EXPECT_EQ("unset Prio(int) priority 10, now 7, priority 0",
            memLines("ConfigParameter").back());
  EXPECT_EQ((std::vector<int>{10, 0, 10}), rec.calls);

  p.setFromInt(3, PriorityPreference);
  p.unset(PriorityPreference, false);
  EXPECT_EQ(4u, rec.calls.size());
  p.removeCallback(&rec);
}

TEST_F(ConfigParameterTest, PriorityLabelsAndValueTexts)
{
  Configuration conf("Test");
  IntParameter p("Labels", "desc", 1, false, &conf);
  EXPECT_STREQ("Priority 20", p.priorityLabel(20).c_str());
  EXPECT_STREQ("Policy", p.priorityLabel(30).c_str());
  p.setFromInt(2, PriorityPreference);
  p.setFromInt(3, 40);
  EXPECT_STREQ("Policy overriding preference", p.priorityLabel(40).c_str());
  std::map<int, String> all = p.allValueTexts();
  ASSERT_EQ(3u, all.size());
  EXPECT_STREQ("1", all[0].c_str());
  EXPECT_STREQ("3", all[40].c_str());
  EXPECT_TRUE(p.valueTextAt(20).isNull());
}

TEST_F(ConfigParameterTest, NoPolicyTag)
{
  Configuration conf("Test");
  BoolParameter b("Tagged", "desc", false, false, &conf, "x,noPolicy");
  EXPECT_TRUE(b.hasTag("noPolicy"));
  EXPECT_TRUE(b.hasTag("x"));
  EXPECT_FALSE(b.setFromText("1", PriorityPolicy));
  EXPECT_FALSE(b.setFromInt(1, 99));
  EXPECT_TRUE(b.setFromText("1", 29));
  EXPECT_TRUE(b);
}

TEST_F(ConfigParameterTest, StringValues)
{
  Configuration conf("Test");
  StringParameter s("Str", "desc", "abc", false, &conf);
  EXPECT_STREQ("abc", s.getValue().c_str());
  EXPECT_TRUE(s.setFromText("d\xc3\xa9", PriorityPreference));
  EXPECT_STREQ("d\xc3\xa9", s.valueText().c_str());
  EXPECT_FALSE(s.setFromText(nullptr, PriorityPreference));
  try {
    s.setFromText("\xc0\x80", PriorityPreference);
    FAIL() << "no BadUtf8";
  } catch (const BadUtf8& e) {
    EXPECT_STREQ("Bad UTF-8 string for Str", e.message());
  }
  EXPECT_STREQ("string", s.typeName());
}

TEST_F(ConfigParameterTest, S64Forms)
{
  Configuration conf("Test");
  S64Parameter p("Big", "desc", "int64:0000000000000000", false, &conf);
  for (const char* bad :
       {"int64:000000000000001", "int64:000000000000001g", "01020304050607"})
    EXPECT_FALSE(p.setFromText(bad, PriorityPreference)) << bad;
  EXPECT_TRUE(p.setFromText("int64:00000000000000FF", PriorityPreference));
  EXPECT_STREQ("int64:00000000000000FF", p.valueText().c_str());
  EXPECT_EQ(255, p.getValue());
  EXPECT_TRUE(p.setFromText("0102030405060708", PriorityPreference));
  EXPECT_STREQ("int64:0807060504030201", p.valueText().c_str());
  EXPECT_EQ(0x0807060504030201LL, p.getValue());
  EXPECT_TRUE(p.setValue(-2, PriorityPreference));
  EXPECT_STREQ("int64:fffffffffffffffe", p.valueText().c_str());
  EXPECT_EQ(-2, p.getValue());
  EXPECT_STREQ("s64", p.typeName());
}

TEST_F(ConfigParameterTest, BinaryValues)
{
  Configuration conf("Test");
  BinaryParameter b("Key", "desc", "\x01\x02", 2, true, true, &conf);
  EXPECT_STREQ("<binary>", b.valueText().c_str());
  EXPECT_FALSE(b.setFromText("abc", PriorityPreference));
  EXPECT_FALSE(b.setFromText("0g", PriorityPreference));
  EXPECT_TRUE(b.setFromText("00ff10", PriorityPreference));
  EXPECT_STREQ("<binary>", b.valueTextAt(PriorityPreference).c_str());

  // Reused memory: a larger wiping buffer keeps its pointer.
  MBuf<unsigned char> out(8, true);
  const unsigned char* mem = out.data();
  b.getValue(out);
  ASSERT_EQ(3u, out.size());
  EXPECT_EQ(mem, out.data());
  EXPECT_EQ(0, memcmp(out.data(), "\x00\xff\x10", 3));
  EXPECT_TRUE(out.wipes());
  EXPECT_STREQ("binary", b.typeName());
}

TEST_F(ConfigParameterTest, EnumByName)
{
  static const char* const names[] = {"low", "Medium", "high", nullptr};
  Configuration conf("Test");
  EnumParameter e("Quality", "desc", 1, names, false, &conf);
  EXPECT_STREQ("Medium", e.valueText().c_str());
  EXPECT_TRUE(e.setFromText("HIGH", PriorityPreference));
  EXPECT_EQ(2, e.getValue());
  EXPECT_STREQ("high", e.valueText().c_str());
  EXPECT_FALSE(e.setFromText("2", PriorityPreference));
  EXPECT_FALSE(e.setFromInt(3, PriorityPreference));
  EXPECT_STREQ("enum", e.typeName());
}

TEST_F(ConfigParameterTest, CloneCarriesEveryPriority)
{
  Configuration a("A"), b("B");
  IntParameter p("Cloned", "desc", 4, true, &a, 0, 10, "noPolicy");
  p.setFromInt(6, PriorityPreference);
  std::unique_ptr<ConfigParameter> c = p.cloneInto(b);
  EXPECT_EQ(c.get(), b.find("cloned"));
  EXPECT_EQ(&p, a.find("CLONED"));
  EXPECT_EQ(6, c->intValue());
  EXPECT_STREQ("4", c->valueTextAt(PriorityDefault).c_str());
  EXPECT_FALSE(c->setFromInt(11, 20));
  EXPECT_FALSE(c->setFromInt(1, PriorityPolicy));
  EXPECT_TRUE(c->isAdvanced());
  c.reset();
  EXPECT_EQ(nullptr, b.find("Cloned"));
}
