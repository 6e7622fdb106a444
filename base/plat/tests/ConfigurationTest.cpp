// The registry: lookup, typed access by name, command-line forms, help
// output and value listing.
#include <plat/BinaryParameter.h>
#include <plat/ConfigParameter.h>
#include <plat/Configuration.h>
#include <plat/LogSrc.h>
#include <plat/ParameterAlias.h>
#include <plat/StringParameter.h>

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace plat;

namespace {

class ConfigurationTest : public ::testing::Test {
protected:
  ConfigurationTest()
      : conf("Test"),
        mini("MiniUpdates",
             "Send only small updates to avoid problems on slow links", false,
             true, &conf),
        zlib("ZlibLevel", "Zlib compression level (-1=auto, 0=lowest)", -1,
             true, &conf, -1, 9),
        name("Name", "A name", "", false, &conf),
        big("Big", "A big number", "int64:0000000000000001", false, &conf),
        key("Key", "A key", nullptr, 0, false, false, &conf),
        hidden("_Hidden", "Never listed", false, false, &conf)
  {
  }

  // Parses args, returning the BadCmdLineArg message or "" when accepted.
  std::string parse(std::vector<const char*> args,
                    const Configuration::HelpHandler& help = nullptr)
  {
    try {
      conf.parseCommandLine((int)args.size(), args.data(), help);
    } catch (const BadCmdLineArg& e) {
      EXPECT_STREQ("BadCmdLineArg", e.typeName());
      return e.message();
    }
    return "";
  }

  Configuration conf;
  BoolParameter mini;
  IntParameter zlib;
  StringParameter name;
  S64Parameter big;
  BinaryParameter key;
  BoolParameter hidden;
};

} // namespace

TEST_F(ConfigurationTest, FindIsCaseInsensitiveAndSearchesChildren)
{
  EXPECT_EQ(&zlib, conf.find("zlibLEVEL"));
  EXPECT_EQ(nullptr, conf.find("Zlib"));
  Configuration child("Child");
  IntParameter inner("Inner", "desc", 3, false, &child);
  EXPECT_EQ(nullptr, conf.find("inner"));
  conf.addChild(&child);
  EXPECT_EQ(&inner, conf.find("inner"));
  EXPECT_EQ(nullptr, conf.find("inner", false));
  EXPECT_EQ(3, conf.getInt("Inner"));
  conf.removeChild(&child);
}

TEST_F(ConfigurationTest, TypedAccessByName)
{
  EXPECT_FALSE(conf.getBool("miniupdates"));
  EXPECT_TRUE(conf.set("MiniUpdates", "on"));
  EXPECT_TRUE(conf.getBool("miniupdates"));
  EXPECT_EQ(PriorityPreference, mini.priority());
  EXPECT_EQ(1, conf.getS64("Big"));
  MBuf<unsigned char> out;
  conf.getBinary("Key", out);
  EXPECT_EQ(0u, out.size());

  try {
    conf.getInt("Missing");
    FAIL();
  } catch (const AssertionFail&) {
    FAIL() << "unknown names are not assertions";
  } catch (const Exception& e) {
    EXPECT_STREQ("Parameter Missing not found", e.message());
  }
  EXPECT_THROW(conf.getInt("MiniUpdates"), AssertionFail);
  EXPECT_THROW(conf.getBool("Name"), AssertionFail);
  EXPECT_FALSE(conf.set("Missing", "1"));
}

TEST_F(ConfigurationTest, CommandLineForms)
{
  EXPECT_EQ("", parse({"-MINIUPDATES"}));
  EXPECT_TRUE(mini);
  EXPECT_EQ(PriorityPreference, mini.priority());

  for (std::vector<const char*> args : {std::vector<const char*>{"ZlibLevel=3"},
                                        {"--ZlibLevel=4"},
                                        {"-zliblevel=5"},
                                        {"-ZlibLevel", "6"},
                                        {"--ZlibLevel", "7"}}) {
    EXPECT_EQ("", parse(args));
  }
  EXPECT_EQ(7, zlib.getValue());
  EXPECT_EQ("",
            parse({"-MiniUpdates=0", "-Name", "x y", "Big=0100000000000000"}));
  EXPECT_FALSE(mini);
  EXPECT_STREQ("x y", name.getValue().c_str());
  EXPECT_EQ(1, big.getValue());
  // A bool with a following argument takes the null form and leaves the
  // next argument alone.
  EXPECT_EQ("Bad argument 'off'.", parse({"-MiniUpdates", "off"}));
  EXPECT_TRUE(mini);
}

TEST_F(ConfigurationTest, BadArguments)
{
  EXPECT_EQ("Bad argument 'stray'.",
            parse({"-ZlibLevel=2", "stray", "-Name=z"}));
  EXPECT_EQ(2, zlib.getValue());
  EXPECT_STREQ("", name.getValue().c_str()); // parsing stopped
  EXPECT_EQ("Bad argument 'ZlibLevel=10'.", parse({"ZlibLevel=10"}));
  EXPECT_EQ("Bad argument '-ZlibLevel'.", parse({"-ZlibLevel", "-1x"}));
  EXPECT_EQ("Bad argument '-ZlibLevel'.", parse({"-ZlibLevel"}));
  EXPECT_EQ("Bad argument '-=3'.", parse({"-=3"}));
  auto help = [](int) {};
  EXPECT_EQ("Bad argument 'stray'.  Run with -help for usage.",
            parse({"stray"}, help));
}

TEST_F(ConfigurationTest, HelpArgumentsCallHandler)
{
  std::vector<int> modes;
  auto help = [&](int mode) { modes.push_back(mode); };
  for (std::vector<const char*> args :
       {std::vector<const char*>{"-help", "all"},
        {"-h"},
        {"--HELP", "xml"},
        {"/?", "other", "stray"},
        {"ZlibLevel=1", "-help"}})
    EXPECT_EQ("", parse(args, help));
  EXPECT_EQ((std::vector<int>{1, 0, 2, 0, 0}), modes);
  EXPECT_EQ(1, zlib.getValue());
  // Without a handler the help forms are bad arguments.
  EXPECT_EQ("Bad argument '-help'.", parse({"-help"}));
}

TEST_F(ConfigurationTest, HelpOutputShape)
{
  std::string basic = conf.helpText(false, true, 60);
  std::string all = conf.helpText(true, true, 60);

  EXPECT_EQ(0u, basic.find("Parameters can be turned on with -<param> or off "
                           "with\n-<param>=0\n"));
  EXPECT_NE(std::string::npos, basic.find("\nTest Parameters:\n"));
  EXPECT_NE(std::string::npos,
            basic.find("  Big  - A big number "
                       "(default=int64:0000000000000001)\n"));
  EXPECT_NE(std::string::npos, basic.find("  Name - A name (default=)\n"));
  EXPECT_EQ(std::string::npos, basic.find("ZlibLevel")); // advanced
  EXPECT_EQ(std::string::npos, basic.find("Key"));       // binary
  EXPECT_EQ(std::string::npos, all.find("_Hidden"));
  EXPECT_NE(std::string::npos,
            all.find("  Key         - A key (default=<binary>)\n"));
  // Sorted case-insensitively, padded to the longest name, wrapped under
  // the description.
  EXPECT_NE(
      std::string::npos,
      all.find("  MiniUpdates - Send only small updates to avoid problems on\n"
               "                slow links (default=0)\n"
               "  Name        - A name"));
  EXPECT_LT(all.find("  Big "), all.find("  Key "));
  EXPECT_NE(std::string::npos, all.find("\nLog names:\n"));
  EXPECT_NE(std::string::npos, all.find("\n  ConfigParameter\n"));
  EXPECT_NE(std::string::npos, all.find("\nLog destinations:\n"));

  std::string noDefaults = conf.helpText(false, false, 60);
  EXPECT_NE(std::string::npos, noDefaults.find("  Name - A name\n"));
}

TEST_F(ConfigurationTest, ListValuesLogsPriorityLabels)
{
  zlib.setFromInt(4, PriorityPreference);
  mini.setFromInt(1, 40);
  mini.setFromInt(0, PriorityPreference);
  LogCapture cap("confcap", "Configuration:confcap:100");
  conf.listValues();
  EXPECT_EQ(cap.lines(), (std::vector<std::string>{
                             "100 _Hidden=0 (Default)",
                             "100 Key=<binary> (Default)",
                             "100 Big=int64:0000000000000001 (Default)",
                             "100 Name= (Default)",
                             "30 ZlibLevel=4 (Preference)",
                             "30 MiniUpdates=1 (Policy overriding preference)",
                         }));
}

TEST_F(ConfigurationTest, AliasSetsEveryNamedParameter)
{
  ParameterAlias fast("Fast", "MiniUpdates,ZlibLevel", &conf);
  EXPECT_TRUE(conf.set("fast", "1"));
  EXPECT_TRUE(mini);
  EXPECT_EQ(1, zlib.getValue());
  EXPECT_FALSE(conf.set("fast", "yes")); // ZlibLevel refuses it
}

TEST(GlobalConfiguration, DeclaresLogAndBadUtf8Assert)
{
  Configuration& g = Configuration::global();
  ConfigParameter* log = g.find("log");
  ASSERT_NE(nullptr, log);
  EXPECT_STREQ("Record events in the format <log>:<target>:<level>[,...].",
               log->description());
  ConfigParameter* bad = g.find("_BadUtf8Assert");
  ASSERT_NE(nullptr, bad);
  std::string help = g.helpText(true);
  EXPECT_EQ(std::string::npos, help.find("_BadUtf8Assert"));
  EXPECT_NE(std::string::npos, help.find("\nGlobal parameters:\n"));
}

TEST(GlobalConfiguration, BadUtf8AssertMakesBadUtf8Fatal)
{
  EXPECT_DEATH(
      {
        Configuration::global().set("_BadUtf8Assert", "1");
        BadUtf8 e("Bad UTF-8 string for %s", "X");
      },
      "Assertion '0' failed at .*utf8.cpp:[0-9]+: Bad UTF-8 string for X");
}
