// A program's view of the configuration: parameters declared in the global
// registry, a command line with the usual forms, a Log routing, help
// with and without "all", and a bad argument reported in the user's
// language.
#include <loc/Localize.h>

#include <plat/ConfigParameter.h>
#include <plat/Configuration.h>
#include <plat/LogDest.h>
#include <plat/LogSrc.h>
#include <plat/StringParameter.h>

#include "../../plat/tests/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace plat;

namespace {

// The encoder's parameters are not linked here; declare look-alikes.
IntParameter zlibLevel("ZlibLevel",
                       "Zlib compression level (-1=auto, 0=lowest)", -1, true,
                       nullptr, -1, 9);
BoolParameter
    miniUpdates("MiniUpdates",
                "Send only small updates to avoid problems on slow links",
                false, true);

LogSrc exampleLog("Example");

class Collect : public LogDest {
public:
  Collect() : LogDest("collect") {}
  void write(int, const char* src, const char* text) override
  {
    lines.push_back(std::string(src) + ": " + text);
  }
  std::vector<std::string> lines;
};

} // namespace

TEST(CommandLineExample, ParseHelpAndReject)
{
  Collect collect;
  exampleLog.status("logged before configuration");

  const char* args[] = {"-ZlibLevel=3", "--MiniUpdates", "Log=*:collect:100"};
  Configuration::global().parseCommandLine(3, args);
  EXPECT_EQ(3, zlibLevel.getValue());
  EXPECT_TRUE(miniUpdates);
  EXPECT_EQ(100, exampleLog.level());

  // The stored message was replayed into the new destination, and the
  // parameter changes were logged.
  for (const char* line :
       {"LogDestMem: Start replaying stored messages",
        "Example: logged before configuration",
        "ConfigParameter: set ZlibLevel(int) to 3, priority 10",
        "ConfigParameter: set MiniUpdates(bool) to 1, priority 10"})
    EXPECT_NE(collect.lines.end(),
              std::find(collect.lines.begin(), collect.lines.end(), line))
        << line;

  int helpMode = -1;
  const char* helpArgs[] = {"-help", "all"};
  Configuration::global().parseCommandLine(2, helpArgs,
                                           [&](int mode) { helpMode = mode; });
  EXPECT_EQ(1, helpMode);

  // Help in the user's language around the parameters' own texts.
  loc::Localize::setLanguage("de_DE");
  std::string all = Configuration::global().helpText(true);
  EXPECT_NE(std::string::npos, all.find("\nGlobale Parameter:\n"));
  EXPECT_NE(std::string::npos,
            all.find("ZlibLevel   - Zlib compression level (-1=auto, "
                     "0=lowest) (Standard=-1)"));
  EXPECT_NE(std::string::npos, all.find("\nProtokollziele:\n  collect\n"));

  const char* bad[] = {"-ZlibLevel=2", "oops"};
  EXPECT_EQ(testutil::thrownMessage([&] {
              Configuration::global().parseCommandLine(2, bad, [](int) {});
            }),
            "Ungültiges Argument 'oops'.  Mit -help aufrufen, um die "
            "Verwendung anzuzeigen.");
  EXPECT_EQ(2, zlibLevel.getValue());

  loc::Localize::setLanguage("en_US");
  for (ConfigParameter* p :
       {(ConfigParameter*)&zlibLevel, (ConfigParameter*)&miniUpdates,
        Configuration::global().find("Log")})
    p->unset(PriorityPreference);
  EXPECT_TRUE(exampleLog.destinations().empty());
}
