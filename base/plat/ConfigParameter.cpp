#include <plat/ConfigParameter.h>

#include <plat/Assert.h>
#include <plat/BinaryParameter.h>
#include <plat/Configuration.h>
#include <plat/LogSrc.h>
#include <plat/MBuf.h>
#include <plat/String.h>
#include <plat/StringParameter.h>
#include <plat/parseNum.h>

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace plat {

namespace {

// A static constructor anywhere may set a parameter, so the source must not
// depend on the order of static initialisation.
LogSrc& paramLog()
{
  static StaticLogSrc src("ConfigParameter");
  return *src;
}

bool valuesEqual(bool a, bool b)
{
  return a == b;
}
bool valuesEqual(int a, int b)
{
  return a == b;
}
bool valuesEqual(const String& a, const String& b)
{
  return a == b;
}
bool valuesEqual(const MBuf<unsigned char>& a, const MBuf<unsigned char>& b)
{
  return a.size() == b.size() &&
         (a.size() == 0 || memcmp(a.data(), b.data(), a.size()) == 0);
}

} // namespace

ParameterChangedCallback::~ParameterChangedCallback() {}

// ---------------------------------------------------------------------------
// ConfigParameter

ConfigParameter::ConfigParameter(const char* name, const char* desc,
                                 bool advanced, Configuration* conf,
                                 const char* tags)
    : conf_(conf ? conf : &Configuration::global()), next_(nullptr),
      name_(name), desc_(desc), locDesc_{nullptr, nullptr}, advanced_(advanced)
{
  init(tags);
}

ConfigParameter::ConfigParameter(const char* name, const LocText& locDesc,
                                 bool advanced, Configuration* conf,
                                 const char* tags)
    : conf_(conf ? conf : &Configuration::global()), next_(nullptr),
      name_(name), desc_(locDesc.english), locDesc_(locDesc),
      advanced_(advanced)
{
  init(tags);
}

void ConfigParameter::init(const char* tags)
{
  const char* desc = desc_;
  const char* locDesc = locDesc_.id;
  PLAT_ASSERT(desc || locDesc);
  if (tags) {
    const char* p = tags;
    while (*p) {
      const char* e = strchr(p, ',');
      size_t len = e ? (size_t)(e - p) : strlen(p);
      if (len)
        tags_.insert(std::string(p, len));
      p += len;
      if (*p == ',')
        p++;
    }
  }
  conf_->addParam(this);
}

ConfigParameter::~ConfigParameter()
{
  if (conf_)
    conf_->removeParam(this);
}

bool ConfigParameter::setFromInt(int, int)
{
  return false;
}

int ConfigParameter::intValue() const
{
  return 0;
}

const char* ConfigParameter::description() const
{
  if (locDesc_.id)
    return translate(locDesc_);
  return desc_;
}

bool ConfigParameter::hasTag(const char* tag) const
{
  return tags_.count(tag) != 0;
}

std::string ConfigParameter::tagList() const
{
  std::string list;
  for (const std::string& t : tags_) {
    if (!list.empty())
      list += ',';
    list += t;
  }
  return list;
}

String ConfigParameter::priorityLabel(int priority) const
{
  if (priority == PriorityDefault)
    return "Default";
  if (priority == PriorityPreference)
    return "Preference";
  if (priority >= PriorityPolicy) {
    if (hasValueAt(PriorityPreference))
      return "Policy overriding preference";
    return "Policy";
  }
  return String::format("Priority %d", priority);
}

void ConfigParameter::addCallback(ParameterChangedCallback* cb)
{
  callbacks_.push_back(cb);
}

void ConfigParameter::removeCallback(ParameterChangedCallback* cb)
{
  callbacks_.erase(std::remove(callbacks_.begin(), callbacks_.end(), cb),
                   callbacks_.end());
}

bool ConfigParameter::refusedByPolicy(int priority) const
{
  return priority >= PriorityPolicy && hasTag("noPolicy");
}

void ConfigParameter::logSet(int priority) const
{
  if (!conf_ || !conf_->changeLogging())
    return;
  int level =
      priority == PriorityDefault ? LogSrc::LevelDebug : LogSrc::LevelInfo;
  LogSrc& log = paramLog();
  if (!log.enabled(level))
    return;
  String text = valueTextAt(priority);
  log.log(level, "set %s(%s) to %s, priority %d", name_, typeName(),
          text.c_str(), priority);
}

void ConfigParameter::logUnset(int removedPriority) const
{
  if (!conf_ || !conf_->changeLogging())
    return;
  LogSrc& log = paramLog();
  if (!log.enabled(LogSrc::LevelInfo))
    return;
  String now = valueText();
  log.info("unset %s(%s) priority %d, now %s, priority %d", name_, typeName(),
           removedPriority, now.c_str(), priority());
}

void ConfigParameter::notify(int priority)
{
  // A copy, so that a callback removing itself does not upset the loop.
  std::vector<ParameterChangedCallback*> cbs(callbacks_);
  for (ParameterChangedCallback* cb : cbs)
    cb->parameterChanged(*this, priority);
}

// ---------------------------------------------------------------------------
// TypedParameter

template <class T>
bool TypedParameter<T>::setValue(const T& value, int priority)
{
  if (refusedByPolicy(priority))
    return false;
  auto it = values_.find(priority);
  if (it != values_.end()) {
    if (valuesEqual(it->second, value))
      return true;
    it->second = value;
  } else {
    values_.emplace(priority, value);
  }
  logSet(priority);
  notify(priority);
  return true;
}

template <class T>
void TypedParameter<T>::unset(int priority, bool notifyCallbacks)
{
  if (priority == PriorityDefault)
    return;
  auto it = values_.find(priority);
  if (it == values_.end())
    return;
  values_.erase(it);
  logUnset(priority);
  if (notifyCallbacks)
    notify(priority);
}

template <class T> String TypedParameter<T>::valueText() const
{
  return toText(current());
}

template <class T> int TypedParameter<T>::priority() const
{
  return values_.rbegin()->first;
}

template <class T> bool TypedParameter<T>::hasValueAt(int priority) const
{
  return values_.count(priority) != 0;
}

template <class T> String TypedParameter<T>::valueTextAt(int priority) const
{
  auto it = values_.find(priority);
  if (it == values_.end())
    return String();
  return toText(it->second);
}

template <class T>
std::map<int, String> TypedParameter<T>::allValueTexts() const
{
  std::map<int, String> texts;
  for (const auto& v : values_)
    texts.emplace(v.first, toText(v.second));
  return texts;
}

template class TypedParameter<bool>;
template class TypedParameter<int>;
template class TypedParameter<String>;
template class TypedParameter<MBuf<unsigned char>>;

// ---------------------------------------------------------------------------
// BoolParameter

BoolParameter::BoolParameter(const char* name, const char* desc, bool def,
                             bool advanced, Configuration* conf,
                             const char* tags)
    : TypedParameter<bool>(name, desc, def, advanced, conf, tags)
{
  logSet(PriorityDefault);
}

BoolParameter::BoolParameter(const char* name, const LocText& desc, bool def,
                             bool advanced, Configuration* conf,
                             const char* tags)
    : TypedParameter<bool>(name, desc, def, advanced, conf, tags)
{
  logSet(PriorityDefault);
}

bool BoolParameter::setFromText(const char* text, int priority)
{
  bool value;
  if (!text || !*text || strcmp(text, "1") == 0 ||
      strcasecmp(text, "on") == 0 || strcasecmp(text, "true") == 0 ||
      strcasecmp(text, "yes") == 0) {
    value = true;
  } else if (strcmp(text, "0") == 0 || strcasecmp(text, "off") == 0 ||
             strcasecmp(text, "false") == 0 || strcasecmp(text, "no") == 0) {
    value = false;
  } else {
    paramLog().error("Bool parameter %s: invalid value '%s'", name(), text);
    return false;
  }
  return setValue(value, priority);
}

bool BoolParameter::setFromInt(int value, int priority)
{
  return setValue(value != 0, priority);
}

String BoolParameter::toText(const bool& value) const
{
  return value ? "1" : "0";
}

std::unique_ptr<ConfigParameter>
BoolParameter::cloneInto(Configuration& conf) const
{
  return cloneAs<BoolParameter>(values_.begin()->second, isAdvanced(), &conf,
                                tagList().c_str());
}

// ---------------------------------------------------------------------------
// IntParameter

IntParameter::IntParameter(const char* name, const char* desc, int def,
                           bool advanced, Configuration* conf, int min, int max,
                           const char* tags)
    : TypedParameter<int>(name, desc, def, advanced, conf, tags), min_(min),
      max_(max)
{
  logSet(PriorityDefault);
}

IntParameter::IntParameter(const char* name, const LocText& desc, int def,
                           bool advanced, Configuration* conf, int min, int max,
                           const char* tags)
    : TypedParameter<int>(name, desc, def, advanced, conf, tags), min_(min),
      max_(max)
{
  logSet(PriorityDefault);
}

IntParameter::IntParameter(NoDefaultLog, const char* name, const char* desc,
                           int def, bool advanced, Configuration* conf, int min,
                           int max, const char* tags)
    : TypedParameter<int>(name, desc, def, advanced, conf, tags), min_(min),
      max_(max)
{
}

IntParameter::IntParameter(NoDefaultLog, const char* name, const LocText& desc,
                           int def, bool advanced, Configuration* conf, int min,
                           int max, const char* tags)
    : TypedParameter<int>(name, desc, def, advanced, conf, tags), min_(min),
      max_(max)
{
}

bool IntParameter::setFromText(const char* text, int priority)
{
  if (!text)
    return false;
  int32_t value;
  const char* pos = text;
  if (!tryParseS32(value, pos, 0) || *pos != '\0')
    return false;
  return setFromInt(value, priority);
}

bool IntParameter::setFromInt(int value, int priority)
{
  if (value < min_ || value > max_)
    return false;
  return setValue(value, priority);
}

String IntParameter::toText(const int& value) const
{
  return String::format("%d", value);
}

std::unique_ptr<ConfigParameter>
IntParameter::cloneInto(Configuration& conf) const
{
  return cloneAs<IntParameter>(values_.begin()->second, isAdvanced(), &conf,
                               min_, max_, tagList().c_str());
}

// ---------------------------------------------------------------------------
// EnumParameter

int EnumParameter::countNames(const char* const* names)
{
  int n = 0;
  while (names && names[n])
    n++;
  return n;
}

template <class D>
EnumParameter::EnumParameter(Init, const char* name, const D& desc, int def,
                             const char* const* valueNames, bool advanced,
                             Configuration* conf, const char* tags)
    : IntParameter(NoDefaultLog(), name, desc, def, advanced, conf, 0,
                   countNames(valueNames) - 1, tags),
      names_(valueNames)
{
  PLAT_ASSERT(def >= 0 && def < countNames(valueNames));
  logSet(PriorityDefault);
}

EnumParameter::EnumParameter(const char* name, const char* desc, int def,
                             const char* const* valueNames, bool advanced,
                             Configuration* conf, const char* tags)
    : EnumParameter(Init(), name, desc, def, valueNames, advanced, conf, tags)
{
}

EnumParameter::EnumParameter(const char* name, const LocText& desc, int def,
                             const char* const* valueNames, bool advanced,
                             Configuration* conf, const char* tags)
    : EnumParameter(Init(), name, desc, def, valueNames, advanced, conf, tags)
{
}

bool EnumParameter::setFromText(const char* text, int priority)
{
  if (!text)
    return false;
  for (int i = 0; names_[i]; i++) {
    if (strcasecmp(text, names_[i]) == 0)
      return setFromInt(i, priority);
  }
  return false;
}

String EnumParameter::toText(const int& value) const
{
  if (value < 0 || value >= countNames(names_))
    return String::format("%d", value);
  return names_[value];
}

std::unique_ptr<ConfigParameter>
EnumParameter::cloneInto(Configuration& conf) const
{
  return cloneAs<EnumParameter>(values_.begin()->second, names_, isAdvanced(),
                                &conf, tagList().c_str());
}

} // namespace plat
