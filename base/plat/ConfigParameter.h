// Configuration parameters: named, typed, prioritised settings.
//
// Every tunable setting is a parameter object declared by the module that
// uses it. A parameter joins a registry (plat::Configuration, global by
// default) when it is constructed, keeps one value per priority and answers
// with the value of the highest priority present. Priority 0 holds the
// default and is never removed; 10 is a user preference (the command line
// sets this one); 30 and above are policy. Every change is logged on the
// "ConfigParameter" log source and reported to the parameter's change
// callbacks.
//
// Declaring a parameter (a static object in the .cpp of the module that
// reads it; all constructor arguments after the default are optional):
//
//   static plat::IntParameter zlibLevel(
//       "ZlibLevel", "Zlib compression level (-1=auto, 0=lowest)",
//       -1,         // default
//       true,       // advanced: listed only in the advanced help
//       nullptr,    // registry: null for the global one
//       -1, 9);     // inclusive minimum and maximum
//   static plat::BoolParameter miniUpdates(
//       "MiniUpdates", "Send only small updates to avoid problems on slow
//       links", false, true);
//
//   int level = zlibLevel;          // or zlibLevel.getValue()
//   if (miniUpdates) ...
//
// Reading takes no lock and does not allocate for bool and int parameters.
// Parameters are set while configuration is parsed, before other threads
// read them.
//
// Static initialisation: a parameter's constructor may run before or after
// any other static constructor; the registry it joins is created on first
// use. If another file's static constructor may READ your parameter, declare
// it as a function-local static behind an accessor instead, so that it is
// constructed on first use:
//
//   plat::BoolParameter& fooParam()
//   { static plat::BoolParameter p("Foo", "...", false); return p; }
//   static plat::BoolParameter& fooInit = fooParam();   // register at start-up
//
// String, S64 and binary parameters live in StringParameter.h and
// BinaryParameter.h; ParameterAlias in ParameterAlias.h.
#pragma once

#include <plat/NonCopyable.h>
#include <plat/Translate.h>

#include <climits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace plat {

class Configuration;
class ConfigParameter;
class String;

// Priorities with a fixed meaning; any other number may be used as well.
enum : int {
  PriorityDefault = 0,
  PriorityPreference = 10,
  PriorityPolicy = 30,
};

// Told about every successful set and unset of the parameters it is added
// to. Callbacks run on the thread that changes the parameter, after the
// change and its log line; they must not add or remove callbacks of the
// same parameter.
class ParameterChangedCallback {
public:
  virtual ~ParameterChangedCallback();
  virtual void parameterChanged(ConfigParameter& param, int priority) = 0;
};

class ConfigParameter : private NonCopyable {
public:
  // Unregisters from the registry.
  virtual ~ConfigParameter();

  // Parses text by the type's syntax and sets it at priority. Returns false
  // when the text (or the priority, see "noPolicy") is refused; the value is
  // then unchanged. A string parameter throws plat::BadUtf8 for invalid
  // UTF-8.
  virtual bool setFromText(const char* text, int priority) = 0;
  // Removes the value at exactly this priority (never priority 0), logs and,
  // when notify is true, calls the callbacks. Nothing happens when there is
  // no value at that priority.
  virtual void unset(int priority, bool notify = true) = 0;
  // Sets a bool or int value (a bool takes value != 0). Returns false when
  // refused: out of range, "noPolicy", or a type that takes no numbers.
  virtual bool setFromInt(int value, int priority);
  // The current value as text ("1"/"0" for a bool).
  virtual String valueText() const = 0;
  // The current bool or int value; 0 for other types.
  virtual int intValue() const;
  // The highest priority that holds a value.
  virtual int priority() const = 0;
  virtual bool hasValueAt(int priority) const = 0;
  // The value text at exactly this priority, a null String when none.
  virtual String valueTextAt(int priority) const = 0;
  // Every priority present with its value text, lowest priority first.
  virtual std::map<int, String> allValueTexts() const = 0;
  // "bool", "int", "enum", "string", "s64" or "binary".
  virtual const char* typeName() const = 0;
  // A new parameter of the same class and name holding all priorities'
  // values (and the range), registered in conf. The caller owns it.
  virtual std::unique_ptr<ConfigParameter>
  cloneInto(Configuration& conf) const = 0;

  const char* name() const { return name_; }
  // The description in the current language (English without a
  // translator); may be null only if the parameter had none.
  const char* description() const;
  bool isAdvanced() const { return advanced_; }
  Configuration* configuration() const { return conf_; }
  bool hasTag(const char* tag) const;
  const std::set<std::string>& tags() const { return tags_; }

  // "Default", "Preference", "Policy", "Policy overriding preference" (a
  // policy while a preference is also set) or "Priority %d".
  String priorityLabel(int priority) const;

  // Callbacks are called in the order they were added; the parameter does
  // not own them.
  void addCallback(ParameterChangedCallback* cb);
  void removeCallback(ParameterChangedCallback* cb);

  // The next parameter of the same registry (newest first).
  ConfigParameter* next() const { return next_; }

protected:
  // desc or locDesc.english must be non-null (fatal assertion otherwise).
  // tags: comma-separated, may be null. Joins conf (the global registry
  // when null) at the head of its list.
  ConfigParameter(const char* name, const char* desc, bool advanced,
                  Configuration* conf, const char* tags);
  ConfigParameter(const char* name, const LocText& locDesc, bool advanced,
                  Configuration* conf, const char* tags);

  // Pieces of the set and unset algorithms shared by every value type.
  bool refusedByPolicy(int priority) const;
  void logSet(int priority) const;
  void logUnset(int removedPriority) const;
  void notify(int priority);

  const char* plainDesc() const { return desc_; }
  const LocText& locDesc() const { return locDesc_; }
  // The constructor arguments of a clone: tags joined back with ','.
  std::string tagList() const;

private:
  void init(const char* tags);

  Configuration* conf_;
  ConfigParameter* next_;
  const char* name_;
  const char* desc_;
  LocText locDesc_;
  bool advanced_;
  std::set<std::string> tags_;
  std::vector<ParameterChangedCallback*> callbacks_;

  friend class Configuration;
};

// The value map and the set/unset algorithms for one value type. Defined
// for bool, int, plat::String and plat::MBuf<unsigned char>.
template <class T> class TypedParameter : public ConfigParameter {
public:
  // Sets value at priority:
  //  1. a priority of 30 or more on a parameter tagged "noPolicy" is refused;
  //  2. an equal value already at this priority: true, no log, no callbacks;
  //  3. otherwise stored, logged (level 110 for priority 0, else 100) and
  //     the callbacks are called.
  // A value below the current priority is stored but does not become
  // current until the higher ones are unset.
  bool setValue(const T& value, int priority);

  void unset(int priority, bool notify = true) override;
  String valueText() const override;
  int priority() const override;
  bool hasValueAt(int priority) const override;
  String valueTextAt(int priority) const override;
  std::map<int, String> allValueTexts() const override;
  // The text form of one value of this type.
  virtual String toText(const T& value) const = 0;

protected:
  template <class D>
  TypedParameter(const char* name, const D& desc, const T& def, bool advanced,
                 Configuration* conf, const char* tags)
      : ConfigParameter(name, desc, advanced, conf, tags)
  {
    values_[PriorityDefault] = def;
  }

  const T& current() const { return values_.rbegin()->second; }
  // Copies every priority's value of another parameter of this type (for
  // clones); no log lines, no callbacks.
  void copyValues(const TypedParameter& other) { values_ = other.values_; }
  // A new P registered as a clone: P's constructor gets this parameter's
  // name, the same kind of description (translated or plain) and then
  // rest; the clone then takes every priority's value. For cloneInto.
  template <class P, class... Rest>
  std::unique_ptr<ConfigParameter> cloneAs(const Rest&... rest) const
  {
    std::unique_ptr<P> p;
    if (locDesc().id)
      p.reset(new P(name(), locDesc(), rest...));
    else
      p.reset(new P(name(), plainDesc(), rest...));
    p->copyValues(*this);
    return p;
  }

  // Always holds an entry at priority 0.
  std::map<int, T> values_;
};

extern template class TypedParameter<bool>;
extern template class TypedParameter<int>;

// Text syntax: null or "", "1" and case-insensitive "on", "true", "yes" are
// true; "0" and "off", "false", "no" are false. Any other text is refused
// and logged ("Bool parameter %s: invalid value '%s'").
class BoolParameter : public TypedParameter<bool> {
public:
  BoolParameter(const char* name, const char* desc, bool def,
                bool advanced = false, Configuration* conf = nullptr,
                const char* tags = nullptr);
  BoolParameter(const char* name, const LocText& desc, bool def,
                bool advanced = false, Configuration* conf = nullptr,
                const char* tags = nullptr);

  bool getValue() const { return current(); }
  operator bool() const { return current(); }

  bool setFromText(const char* text, int priority) override;
  bool setFromInt(int value, int priority) override;
  int intValue() const override { return current(); }
  const char* typeName() const override { return "bool"; }
  std::unique_ptr<ConfigParameter>
  cloneInto(Configuration& conf) const override;
  String toText(const bool& value) const override;
};

// Text syntax: a whole signed 32-bit number in base 0 (decimal, "0x" hex,
// leading-0 octal) within [min, max]; anything else is refused silently.
class IntParameter : public TypedParameter<int> {
public:
  IntParameter(const char* name, const char* desc, int def,
               bool advanced = false, Configuration* conf = nullptr,
               int min = INT_MIN, int max = INT_MAX,
               const char* tags = nullptr);
  IntParameter(const char* name, const LocText& desc, int def,
               bool advanced = false, Configuration* conf = nullptr,
               int min = INT_MIN, int max = INT_MAX,
               const char* tags = nullptr);

  int getValue() const { return current(); }
  operator int() const { return current(); }
  int minimum() const { return min_; }
  int maximum() const { return max_; }

  bool setFromText(const char* text, int priority) override;
  bool setFromInt(int value, int priority) override;
  int intValue() const override { return current(); }
  const char* typeName() const override { return "int"; }
  std::unique_ptr<ConfigParameter>
  cloneInto(Configuration& conf) const override;
  String toText(const int& value) const override;

protected:
  // For subclasses that log the default themselves, with their own type.
  struct NoDefaultLog {};
  IntParameter(NoDefaultLog, const char* name, const char* desc, int def,
               bool advanced, Configuration* conf, int min, int max,
               const char* tags);
  IntParameter(NoDefaultLog, const char* name, const LocText& desc, int def,
               bool advanced, Configuration* conf, int min, int max,
               const char* tags);

private:
  int min_;
  int max_;
};

// An IntParameter whose value is an index into a null-terminated array of
// value names (a static array). The text syntax is a case-insensitive name;
// the value text is the name at the current index.
class EnumParameter : public IntParameter {
public:
  EnumParameter(const char* name, const char* desc, int def,
                const char* const* valueNames, bool advanced = false,
                Configuration* conf = nullptr, const char* tags = nullptr);
  EnumParameter(const char* name, const LocText& desc, int def,
                const char* const* valueNames, bool advanced = false,
                Configuration* conf = nullptr, const char* tags = nullptr);

  const char* const* valueNames() const { return names_; }

  bool setFromText(const char* text, int priority) override;
  const char* typeName() const override { return "enum"; }
  std::unique_ptr<ConfigParameter>
  cloneInto(Configuration& conf) const override;
  String toText(const int& value) const override;

private:
  // What both public constructors do, for either kind of description.
  struct Init {};
  template <class D>
  EnumParameter(Init, const char* name, const D& desc, int def,
                const char* const* valueNames, bool advanced,
                Configuration* conf, const char* tags);

  static int countNames(const char* const* names);
  const char* const* names_;
};

} // namespace plat
