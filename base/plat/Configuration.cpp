#include <plat/Configuration.h>

#include <plat/Assert.h>
#include <plat/BinaryParameter.h>
#include <plat/ConfigParameter.h>
#include <plat/DString.h>
#include <plat/LogDest.h>
#include <plat/LogSrc.h>
#include <plat/ParameterAlias.h>
#include <plat/StringParameter.h>

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace plat {

namespace {

LogSrc& confLog()
{
  static StaticLogSrc src("Configuration");
  return *src;
}

LogSrc& confLogInit = confLog();

const LocText txtBadArgument{"plat_bad_argument", "Bad argument '%S'."};
const LocText txtRunWithHelp{"plat_run_with_help", "Run with -help for usage."};
const LocText txtGlobalParams{"plat_configuration_global_params",
                              "Global parameters"};
const LocText txtHelpDefault{"plat_configuration_help_default", "default"};
const LocText txtLogDests{"plat_configuration_log_dests_title",
                          "Log destinations:"};
const LocText txtLogNames{"plat_configuration_log_names_title", "Log names:"};
const LocText txtParamUsage{
    "plat_configuration_param_usage",
    "Parameters can be turned on with -<param> or off with -<param>=0\n"
    "Values can be specified as -<param> <value>\n"
    "Other valid forms are <param>=<value> -<param>=<value> "
    "--<param>=<value>\n"
    "Names are case-insensitive.  Valid parameters are listed below."};

bool isHelpArg(const char* arg)
{
  return strcasecmp(arg, "-help") == 0 || strcasecmp(arg, "--help") == 0 ||
         strcasecmp(arg, "-h") == 0 || strcmp(arg, "/?") == 0;
}

// The argument without its one or two leading dashes.
const char* stripDashes(const char* arg)
{
  if (arg[0] == '-')
    arg++;
  if (arg[0] == '-')
    arg++;
  return arg;
}

} // namespace

BadCmdLineArg::BadCmdLineArg(const char* message) : Exception(message)
{
  setTypeName("BadCmdLineArg");
}

Configuration::Configuration(const char* name, const LocText& title,
                             bool changeLogging)
    : name_(name), title_(title), head_(nullptr), changeLogging_(changeLogging)
{
}

Configuration::~Configuration()
{
  for (ConfigParameter* p = head_; p; p = p->next_)
    p->conf_ = nullptr;
}

Configuration& Configuration::global()
{
  // Never destroyed: static parameters leave it from their destructors at
  // exit, in an order nobody controls.
  static Configuration* conf =
      new Configuration("Global", txtGlobalParams, true);
  return *conf;
}

void Configuration::addParam(ConfigParameter* p)
{
  p->next_ = head_;
  head_ = p;
}

void Configuration::removeParam(ConfigParameter* p)
{
  for (ConfigParameter** pp = &head_; *pp; pp = &(*pp)->next_) {
    if (*pp == p) {
      *pp = p->next_;
      break;
    }
  }
  p->next_ = nullptr;
}

void Configuration::addChild(Configuration* child)
{
  children_.push_back(child);
}

void Configuration::removeChild(Configuration* child)
{
  children_.erase(std::remove(children_.begin(), children_.end(), child),
                  children_.end());
}

ConfigParameter* Configuration::find(const char* name, bool recursive) const
{
  if (!name)
    return nullptr;
  for (ConfigParameter* p = head_; p; p = p->next_) {
    if (strcasecmp(p->name(), name) == 0)
      return p;
  }
  if (recursive) {
    for (Configuration* c : children_) {
      if (ConfigParameter* p = c->find(name, true))
        return p;
    }
  }
  return nullptr;
}

ParameterAlias* Configuration::findAlias(const char* name, bool recursive) const
{
  for (ParameterAlias* a : aliases_) {
    if (strcasecmp(a->name(), name) == 0)
      return a;
  }
  if (recursive) {
    for (Configuration* c : children_) {
      if (ParameterAlias* a = c->findAlias(name, true))
        return a;
    }
  }
  return nullptr;
}

ConfigParameter* Configuration::findOrThrow(const char* name) const
{
  ConfigParameter* p = find(name, true);
  if (!p)
    throw Exception(Exception::fmt, "Parameter %s not found", name);
  return p;
}

bool Configuration::getBool(const char* name) const
{
  BoolParameter* p = dynamic_cast<BoolParameter*>(findOrThrow(name));
  PLAT_ASSERT_THROW(p);
  return p->getValue();
}

int Configuration::getInt(const char* name) const
{
  IntParameter* p = dynamic_cast<IntParameter*>(findOrThrow(name));
  PLAT_ASSERT_THROW(p);
  return p->getValue();
}

String Configuration::getString(const char* name) const
{
  StringParameter* p = dynamic_cast<StringParameter*>(findOrThrow(name));
  PLAT_ASSERT_THROW(p);
  return p->StringParameter::getValue();
}

int64_t Configuration::getS64(const char* name) const
{
  S64Parameter* p = dynamic_cast<S64Parameter*>(findOrThrow(name));
  PLAT_ASSERT_THROW(p);
  return p->getValue();
}

void Configuration::getBinary(const char* name, MBuf<unsigned char>& out) const
{
  BinaryParameter* p = dynamic_cast<BinaryParameter*>(findOrThrow(name));
  PLAT_ASSERT_THROW(p);
  p->getValue(out);
}

bool Configuration::set(const char* name, const char* text, int priority)
{
  if (ConfigParameter* p = find(name, true))
    return p->setFromText(text, priority);
  ParameterAlias* a = name ? findAlias(name, true) : nullptr;
  if (!a || a->names().empty())
    return false;
  bool ok = true;
  for (const String& n : a->names()) {
    ConfigParameter* p = find(n.c_str(), true);
    if (!p || !p->setFromText(text, priority))
      ok = false;
  }
  return ok;
}

bool Configuration::setArg(const char* name, size_t nameLen, const char* value)
{
  if (nameLen == 0)
    return false;
  std::string n(name, nameLen);
  return set(n.c_str(), value, PriorityPreference);
}

void Configuration::parseCommandLine(int argc, const char* const* argv,
                                     const HelpHandler& help)
{
  int i = 0;
  while (i < argc) {
    const char* arg = argv[i];
    const char* eq = strchr(arg, '=');
    if (arg[0] == '-') {
      const char* name = stripDashes(arg);
      if (eq) {
        if (setArg(name, eq - name, eq + 1)) {
          i++;
          continue;
        }
      } else {
        if (setArg(name, strlen(name), nullptr)) {
          i++;
          continue;
        }
        if (i + 1 < argc && setArg(name, strlen(name), argv[i + 1])) {
          i += 2;
          continue;
        }
      }
    } else if (eq) {
      if (setArg(arg, eq - arg, eq + 1)) {
        i++;
        continue;
      }
    }
    if (help && isHelpArg(arg)) {
      int mode = 0;
      if (i + 1 < argc) {
        if (strcasecmp(argv[i + 1], "all") == 0)
          mode = 1;
        else if (strcasecmp(argv[i + 1], "xml") == 0)
          mode = 2;
      }
      help(mode);
      return;
    }
    break;
  }
  if (i < argc) {
    String bad = translateFormat(txtBadArgument, {argv[i]});
    char msg[Exception::MessageSize];
    snprintf(msg, sizeof(msg), "%s%s%s", bad.c_str(), help ? "  " : "",
             help ? translate(txtRunWithHelp) : "");
    throw BadCmdLineArg(msg);
  }
}

void Configuration::appendParamHelp(std::string& out, bool advanced,
                                    bool showDefaults, int width) const
{
  std::vector<ConfigParameter*> params;
  for (ConfigParameter* p = head_; p; p = p->next_) {
    if (p->name()[0] == '_')
      continue;
    if (!advanced && (p->isAdvanced() || dynamic_cast<BinaryParameter*>(p)))
      continue;
    params.push_back(p);
  }
  std::sort(params.begin(), params.end(),
            [](ConfigParameter* a, ConfigParameter* b) {
              return strcasecmp(a->name(), b->name()) < 0;
            });

  if (title_.id || title_.english) {
    out += translate(title_);
    out += ":\n";
  } else {
    out += name_.c_str();
    out += " Parameters:\n";
  }

  int longest = 0;
  for (ConfigParameter* p : params)
    longest = std::max(longest, (int)strlen(p->name()));
  const char* dflt = translate(txtHelpDefault);
  for (ConfigParameter* p : params) {
    DString entry;
    const char* desc = p->description();
    entry.appendFormat("  %-*s - %s", longest, p->name(), desc ? desc : "");
    if (showDefaults) {
      String def = p->valueTextAt(PriorityDefault);
      entry.appendFormat(" (%s=%s)", dflt, def.c_str());
    }
    // Continuation lines line up under the description.
    entry.wordWrap(width, longest + 5);
    out += entry.c_str();
    out += '\n';
  }

  for (Configuration* c : children_) {
    out += '\n';
    c->appendParamHelp(out, advanced, showDefaults, width);
  }
}

std::string Configuration::helpText(bool advanced, bool showDefaults,
                                    int width) const
{
  std::string out;
  DString usage(translate(txtParamUsage));
  usage.wordWrap(width, 0);
  out += usage.c_str();
  out += "\n\n";

  appendParamHelp(out, advanced, showDefaults, width);

  out += '\n';
  out += translate(txtLogNames);
  out += '\n';
  for (const std::string& n : LogSrc::names())
    out += "  " + n + "\n";
  out += translate(txtLogDests);
  out += '\n';
  for (const std::string& n : LogDest::names())
    out += "  " + n + "\n";
  return out;
}

void Configuration::printHelp(bool advanced, FILE* out, bool showDefaults,
                              int width) const
{
  std::string text = helpText(advanced, showDefaults, width);
  fputs(text.c_str(), out);
}

void Configuration::listValues() const
{
  LogSrc& log = confLog();
  for (ConfigParameter* p = head_; p; p = p->next_) {
    int prio = p->priority();
    int level =
        prio == PriorityDefault ? LogSrc::LevelInfo : LogSrc::LevelStatus;
    if (!log.enabled(level))
      continue;
    String value = p->valueText();
    String label = p->priorityLabel(prio);
    log.log(level, "%s=%s (%s)", p->name(), value.c_str(), label.c_str());
  }
}

} // namespace plat
