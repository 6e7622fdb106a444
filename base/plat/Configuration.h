// plat::Configuration: a registry of configuration parameters.
//
// Parameters (ConfigParameter.h) join a registry when they are constructed;
// the global registry, created on first use, is the default. A registry
// finds parameters by name (case-insensitive), searches its child
// registries after its own parameters, offers typed getters and setters by
// name, parses command lines and prints help.
//
// Command-line forms, all setting priority 10 (Preference):
//   -<param>  --<param>          a bool becomes true (any type: set from null)
//   -<param>=<v>  --<param>=<v>  <param>=<v>
//   -<param> <v>                 when the form above is refused
//   -help  --help  -h  /?        calls the help handler (mode 1 when "all"
//                                follows, 2 for "xml", else 0)
//
// A registry does not own its parameters; a parameter leaves its registry
// when destroyed. Lookups and reads take no lock: registries are changed
// (parameters declared, command lines parsed) before other threads read
// them.
#pragma once

#include <plat/Exception.h>
#include <plat/NonCopyable.h>
#include <plat/String.h>
#include <plat/Translate.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace plat {

class ConfigParameter;
class ParameterAlias;
template <class T> class MBuf;

// Thrown by Configuration::parseCommandLine for an argument it cannot use;
// its type name is "BadCmdLineArg".
class BadCmdLineArg : public Exception {
public:
  explicit BadCmdLineArg(const char* message);
};

class Configuration : private NonCopyable {
public:
  // name: the registry's name (copied); title: its localised heading, used
  // by the help output instead of "<name> Parameters" (title.id may be
  // null); changeLogging: whether parameter changes are logged.
  explicit Configuration(const char* name,
                         const LocText& title = {nullptr, nullptr},
                         bool changeLogging = false);
  // Parameters still registered are detached (they keep working alone).
  ~Configuration();

  // The global registry ("Global", change logging on). Created on first use
  // and never destroyed, so parameters may join it from any static
  // constructor.
  static Configuration& global();

  const char* name() const { return name_.c_str(); }
  bool changeLogging() const { return changeLogging_; }
  void setChangeLogging(bool on) { changeLogging_ = on; }

  // Children are searched after this registry's own parameters, depth-first
  // in the order added. Not owned; a child must outlive its use here.
  void addChild(Configuration* child);
  void removeChild(Configuration* child);

  // The first parameter whose name matches case-insensitively, or null;
  // newest parameters come first.
  ConfigParameter* find(const char* name, bool recursive = true) const;
  // The newest parameter of this registry (follow ConfigParameter::next()).
  ConfigParameter* head() const { return head_; }

  // Typed reads by name (recursive find). Throw plat::Exception "Parameter
  // %s not found" for an unknown name and plat::AssertionFail when the
  // parameter is of another type.
  bool getBool(const char* name) const;
  int getInt(const char* name) const; // int and enum
  String getString(const char* name) const;
  int64_t getS64(const char* name) const;
  void getBinary(const char* name, MBuf<unsigned char>& out) const;

  // Sets a parameter (or every parameter an alias names) from text. False
  // when the name is unknown or the value refused. May throw plat::BadUtf8.
  bool set(const char* name, const char* text,
           int priority = 10 /* PriorityPreference */);

  // The help handler takes the mode: 0 basic, 1 advanced ("all"), 2 "xml".
  typedef std::function<void(int mode)> HelpHandler;

  // Parses argc arguments (without the program name) in order, setting
  // parameters at priority 10. Stops after calling the help handler. Throws
  // plat::Exception of type name "BadCmdLineArg" for the first argument no
  // form accepts: "Bad argument '<arg>'." (localised), followed, when
  // help is given, by "  Run with -help for usage.". May throw
  // plat::BadUtf8 from string parameters.
  void parseCommandLine(int argc, const char* const* argv,
                        const HelpHandler& help = HelpHandler());

  // Help text: the usage explanation, a heading per registry (this one and
  // its children) with one entry per parameter, sorted by name, wrapped at
  // width columns, then the log source names and the log destinations.
  // Names starting with '_' are never listed; advanced and binary
  // parameters only when advanced is true.
  std::string helpText(bool advanced, bool showDefaults = true,
                       int width = 79) const;
  void printHelp(bool advanced, FILE* out, bool showDefaults = true,
                 int width = 79) const;

  // Logs "<name>=<value> (<priority label>)" for every parameter of this
  // registry on the "Configuration" log source: defaults at level 100,
  // other values at level 30.
  void listValues() const;

private:
  friend class ConfigParameter;
  friend class ParameterAlias;

  void addParam(ConfigParameter* p);
  void removeParam(ConfigParameter* p);
  ConfigParameter* findOrThrow(const char* name) const;
  ParameterAlias* findAlias(const char* name, bool recursive) const;
  void appendParamHelp(std::string& out, bool advanced, bool showDefaults,
                       int width) const;
  bool setArg(const char* name, size_t nameLen, const char* value);

  String name_;
  LocText title_;
  ConfigParameter* head_;
  std::vector<Configuration*> children_;
  std::vector<ParameterAlias*> aliases_;
  bool changeLogging_;
};

} // namespace plat
