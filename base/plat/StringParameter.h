// Text-valued configuration parameters: plat::StringParameter and
// plat::S64Parameter (a signed 64-bit number kept as canonical text).
//
// Declared like the parameters of ConfigParameter.h:
//
//   static plat::StringParameter greeting("Greeting", "Text to greet with",
//                                         "hello");
//   plat::String g = greeting.getValue();
//
// Reading copies the text (allocates); see ConfigParameter.h for threads and
// static initialisation.
#pragma once

#include <plat/ConfigParameter.h>
#include <plat/String.h>

#include <cstdint>

namespace plat {

extern template class TypedParameter<String>;

// Text syntax: any valid UTF-8 text; invalid UTF-8 throws plat::BadUtf8
// "Bad UTF-8 string for <name>". A null default is a fatal assertion; an
// invalid default throws plat::BadUtf8 from the constructor.
class StringParameter : public TypedParameter<String> {
public:
  StringParameter(const char* name, const char* desc, const char* def,
                  bool advanced = false, Configuration* conf = nullptr,
                  const char* tags = nullptr);
  StringParameter(const char* name, const LocText& desc, const char* def,
                  bool advanced = false, Configuration* conf = nullptr,
                  const char* tags = nullptr);

  // A copy of the current text (never null).
  String getValue() const { return current(); }
  // Sets a text value; throws plat::BadUtf8 as setFromText does.
  bool setValue(const char* text, int priority);
  using TypedParameter<String>::setValue;

  bool setFromText(const char* text, int priority) override;
  const char* typeName() const override { return "string"; }
  std::unique_ptr<ConfigParameter>
  cloneInto(Configuration& conf) const override;
  String toText(const String& value) const override { return value; }

protected:
  struct NoDefaultLog {};
  StringParameter(NoDefaultLog, const char* name, const char* desc,
                  bool advanced, Configuration* conf, const char* tags);
  StringParameter(NoDefaultLog, const char* name, const LocText& desc,
                  bool advanced, Configuration* conf, const char* tags);

private:
  void checkDefault(const char* def);
};

// Text syntax: "int64:" and exactly 16 hex digits (stored as given), or a
// hex text of exactly 8 bytes read as the value's bytes in little-endian
// order (stored in canonical form). Anything else is refused. The canonical
// form is "int64:" and the 16 lower-case hex digits of the value, most
// significant first.
class S64Parameter : public StringParameter {
public:
  // def is text in the syntax above; a null or refused default is a fatal
  // assertion.
  S64Parameter(const char* name, const char* desc, const char* def,
               bool advanced = false, Configuration* conf = nullptr,
               const char* tags = nullptr);
  S64Parameter(const char* name, const LocText& desc, const char* def,
               bool advanced = false, Configuration* conf = nullptr,
               const char* tags = nullptr);

  int64_t getValue() const;
  bool setValue(int64_t value, int priority);

  bool setFromText(const char* text, int priority) override;
  const char* typeName() const override { return "s64"; }
  std::unique_ptr<ConfigParameter>
  cloneInto(Configuration& conf) const override;

  // The canonical text of value.
  static String canonical(int64_t value);
  // Parses text in the syntax above into its stored form; false when refused.
  static bool parse(const char* text, String& stored);
  // The value of a stored text.
  static int64_t valueOf(const char* stored);

private:
  void initDefault(const char* def);
};

} // namespace plat
