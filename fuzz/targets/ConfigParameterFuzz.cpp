// Configuration text: every parameter type's text syntax, setting by name
// (aliases included), command lines, and the help text's word wrap.
#include "../FuzzCheck.h"
#include "../FuzzInput.h"
#include "../FuzzTargets.h"

#include <plat/BinaryParameter.h>
#include <plat/ConfigParameter.h>
#include <plat/Configuration.h>
#include <plat/DString.h>
#include <plat/Exception.h>
#include <plat/LogSrc.h>
#include <plat/ParameterAlias.h>
#include <plat/StringParameter.h>

#include <cstring>
#include <string>
#include <vector>

namespace jexfuzz {

namespace {

const char* const ColourNames[] = {"Red", "green", "BLUE", nullptr};

// A registry of its own with one parameter of each type, rebuilt for every
// input so that inputs do not depend on one another.
struct Params {
  plat::Configuration conf{"Fuzz"};
  plat::BoolParameter flag{"Flag", "a bool", false, false, &conf};
  plat::IntParameter level{"Level", "an int", 5, false, &conf, -1, 9};
  plat::IntParameter wide{"Wide", "an int", 0, true, &conf};
  plat::EnumParameter colour{"Colour", "an enum", 0, ColourNames, false, &conf};
  plat::StringParameter name{"Name", "a string", "x", false, &conf};
  plat::S64Parameter big{"Big", "an s64", "int64:0000000000000000", false,
                         &conf};
  plat::BinaryParameter key{"Key", "bytes", nullptr, 0, true, true, &conf};
  plat::BoolParameter locked{"Locked", "policy refused", true, false,
                             &conf,    "noPolicy"};
  plat::ParameterAlias both{"Both", "Level,Wide", &conf};

  plat::ConfigParameter* byIndex(unsigned i)
  {
    plat::ConfigParameter* all[] = {&flag, &level, &wide, &colour,
                                    &name, &big,   &key,  &locked};
    return all[i % 8];
  }
};

// A value that was accepted reads back as text that sets the same value.
void checkRoundTrip(plat::ConfigParameter& p, int priority)
{
  if (strcmp(p.typeName(), "binary") == 0)
    return; // its value text is always "<binary>"
  plat::String text = p.valueTextAt(priority);
  FUZZ_CHECK(!text.isNull());
  FUZZ_CHECK(p.setFromText(text.c_str(), priority));
  FUZZ_CHECK(strcmp(p.valueTextAt(priority).c_str(), text.c_str()) == 0);
}

} // namespace

int fuzz_configParam(const uint8_t* data, size_t size)
{
  // Change messages would otherwise pile up for a replay that never comes.
  plat::LogSrc::finishStartup();

  FuzzInput in(data, size);
  Params ps;
  int mode = in.byte() % 4;
  if (mode == 3) {
    // The help text's reflow, with a width and indent from the input.
    int width = in.byte() % 100;
    int indent = in.byte() % 20;
    plat::DString d(in.rest().c_str());
    d.wordWrap(width, indent);
    ps.conf.helpText(true, true, width);
    return 0;
  }
  std::vector<std::string> lines;
  while (!in.empty())
    lines.push_back(in.piece('\n'));

  try {
    if (mode == 0) {
      // "<type digit><priority digit><text>" lines.
      for (const std::string& line : lines) {
        if (line.size() < 2)
          continue;
        plat::ConfigParameter& p = *ps.byIndex((unsigned char)line[0]);
        int priority = (line[1] & 7) * 10;
        if (p.setFromText(line.c_str() + 2, priority))
          checkRoundTrip(p, priority);
        if (line[1] & 8) {
          p.unset(priority == 0 ? 10 : priority);
          FUZZ_CHECK(p.hasValueAt(0));
        }
      }
      FUZZ_CHECK(ps.big.getValue() ==
                 plat::S64Parameter::valueOf(ps.big.valueText().c_str()));
    } else if (mode == 1) {
      // "<name>=<value>" lines through the registry.
      for (const std::string& line : lines) {
        size_t eq = line.find('=');
        if (eq == std::string::npos)
          continue;
        ps.conf.set(line.substr(0, eq).c_str(), line.c_str() + eq + 1);
      }
    } else if (mode == 2) {
      // One command line, one argument per line.
      std::vector<const char*> argv;
      for (const std::string& line : lines)
        argv.push_back(line.c_str());
      int helps = 0;
      try {
        ps.conf.parseCommandLine(int(argv.size()), argv.data(),
                                 [&](int m) { helps += 1 + m; });
      } catch (plat::BadCmdLineArg& e) {
        FUZZ_CHECK(strlen(e.message()) < plat::Exception::MessageSize);
      }
    }
  } catch (plat::BadUtf8&) {
    // Invalid UTF-8 for the string parameter.
  }
  return 0;
}

} // namespace jexfuzz
