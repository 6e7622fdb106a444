// The registry: lookup, typed access by name, command-line forms, help
// output.
#include <plat/BinaryParameter.h>
#include <plat/ConfigParameter.h>
#include <plat/Configuration.h>
#include <plat/LogSrc.h>
#include <plat/ParameterAlias.h>
#include <plat/StringParameter.h>

#include "LogCapture.h"
#include "TestUtil.h"

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

TEST_F(ConfigurationTest, LookupAndTypedAccessByName)
{
  Configuration child("Child");
  IntParameter inner("Inner", "desc", 3, false, &child);
  conf.addChild(&child);
  EXPECT_EQ(&inner, conf.find("inner"));
  EXPECT_EQ(nullptr, conf.find("inner", false));
  EXPECT_EQ(nullptr, conf.find("Zlib"));
  conf.removeChild(&child);

  EXPECT_TRUE(conf.set("MiniUpdates", "on"));
  EXPECT_TRUE(conf.getBool("miniupdates"));
  EXPECT_EQ(1, conf.getS64("Big"));
  EXPECT_STREQ("", conf.getString("Name").c_str());
  MBuf<unsigned char> out;
  conf.getBinary("Key", out);
  EXPECT_EQ(0u, out.size());
  // Unknown names are no assertions.
  EXPECT_EQ("Parameter Missing not found",
            testutil::thrownMessage([&] { conf.getInt("Missing"); }));
  EXPECT_THROW(conf.getInt("MiniUpdates"), AssertionFail);
  EXPECT_FALSE(conf.set("Missing", "1"));
}

TEST_F(ConfigurationTest, CommandLine)
{
  EXPECT_EQ("", parse({"-MINIUPDATES", "--ZlibLevel=4", "-Name", "x y",
                       "Big=0100000000000000", "--ZlibLevel", "7"}));
  EXPECT_TRUE(mini);
  EXPECT_EQ(7, zlib.getValue());
  EXPECT_STREQ("x y", name.getValue().c_str());
  EXPECT_EQ(1, big.getValue());

  // A bool followed by an argument takes the null form and leaves the
  // next argument alone; parsing stops at the first bad argument.
  struct {
    std::vector<const char*> args;
    const char* message;
  } bad[] = {
      {{"-MiniUpdates=0", "-MiniUpdates", "off"}, "Bad argument 'off'."},
      {{"stray", "-Name=z"}, "Bad argument 'stray'."},
      {{"ZlibLevel=10"}, "Bad argument 'ZlibLevel=10'."},
      {{"-ZlibLevel", "-1x"}, "Bad argument '-ZlibLevel'."},
      {{"-ZlibLevel"}, "Bad argument '-ZlibLevel'."},
      {{"-=3"}, "Bad argument '-=3'."},
      {{"-help"}, "Bad argument '-help'."}, // no help handler
  };
  for (auto& c : bad)
    EXPECT_EQ(c.message, parse(c.args)) << c.args[0];
  EXPECT_TRUE(mini);
  EXPECT_STREQ("x y", name.getValue().c_str());

  std::vector<int> modes;
  auto help = [&](int mode) { modes.push_back(mode); };
  for (std::vector<const char*> args :
       {std::vector<const char*>{"-help", "all"},
        {"--HELP", "xml"},
        {"/?", "other", "stray"}})
    EXPECT_EQ("", parse(args, help));
  EXPECT_EQ((std::vector<int>{1, 2, 0}), modes);
  EXPECT_EQ("Bad argument 'stray'.  Run with -help for usage.",
            parse({"stray"}, help));
}

TEST_F(ConfigurationTest, HelpOutputShape)
{
  std::string basic = conf.helpText(false, true, 60);
  std::string all = conf.helpText(true, true, 60);

  EXPECT_EQ(0u, basic.find("Parameters can be turned on with -<param> or off "
                           "with\n-<param>=0\n"));
  EXPECT_NE(std::string::npos, basic.find("\nTest Parameters:\n"));
  EXPECT_NE(std::string::npos, basic.find("  Name - A name (default=)\n"));
  EXPECT_EQ(std::string::npos, basic.find("ZlibLevel")); // advanced
  EXPECT_EQ(std::string::npos, basic.find("Key"));       // binary
  EXPECT_EQ(std::string::npos, all.find("_Hidden"));
  // Sorted case-insensitively, padded to the longest name, wrapped under
  // the description.
  EXPECT_NE(
      std::string::npos,
      all.find("  Key         - A key (default=<binary>)\n"
               "  MiniUpdates - Send only small updates to avoid problems on\n"
               "                slow links (default=0)\n"
               "  Name        - A name"));
  EXPECT_NE(std::string::npos, all.find("\nLog names:\n"));
  EXPECT_NE(std::string::npos, all.find("\nLog destinations:\n"));
  EXPECT_NE(std::string::npos,
            conf.helpText(false, false, 60).find("  Name - A name\n"));
}

TEST_F(ConfigurationTest, AliasAndValueListing)
{
  ParameterAlias fast("Fast", "MiniUpdates,ZlibLevel", &conf);
  EXPECT_TRUE(conf.set("fast", "1"));
  EXPECT_EQ(1, zlib.getValue());
  EXPECT_FALSE(conf.set("fast", "yes")); // ZlibLevel refuses it
  mini.setFromInt(0, 40);
  LogCapture cap("confcap", "Configuration:confcap:100");
  conf.listValues();
  EXPECT_EQ(cap.lines().back(),
            "30 MiniUpdates=0 (Policy overriding preference)");
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
