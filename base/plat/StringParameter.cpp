#include <plat/StringParameter.h>

#include <plat/Assert.h>
#include <plat/MBuf.h>
#include <plat/hex.h>
#include <plat/utf8.h>

#include <cstring>

namespace plat {

// ---------------------------------------------------------------------------
// StringParameter

StringParameter::StringParameter(const char* name, const char* desc,
                                 const char* def, bool advanced,
                                 Configuration* conf, const char* tags)
    : TypedParameter<String>(name, desc, String(def), advanced, conf, tags)
{
  checkDefault(def);
  logSet(PriorityDefault);
}

StringParameter::StringParameter(const char* name, const LocText& desc,
                                 const char* def, bool advanced,
                                 Configuration* conf, const char* tags)
    : TypedParameter<String>(name, desc, String(def), advanced, conf, tags)
{
  checkDefault(def);
  logSet(PriorityDefault);
}

StringParameter::StringParameter(NoDefaultLog, const char* name,
                                 const char* desc, bool advanced,
                                 Configuration* conf, const char* tags)
    : TypedParameter<String>(name, desc, String(""), advanced, conf, tags)
{
}

StringParameter::StringParameter(NoDefaultLog, const char* name,
                                 const LocText& desc, bool advanced,
                                 Configuration* conf, const char* tags)
    : TypedParameter<String>(name, desc, String(""), advanced, conf, tags)
{
}

void StringParameter::checkDefault(const char* def)
{
  PLAT_ASSERT_DETAIL(def, "Default value <null> for %s not allowed", name());
  if (!utf8Valid(def))
    throw BadUtf8("Bad UTF-8 string for %s", name());
}

bool StringParameter::setValue(const char* text, int priority)
{
  return setFromText(text, priority);
}

bool StringParameter::setFromText(const char* text, int priority)
{
  // No text is no value: "-Name value" on the command line relies on it.
  if (!text)
    return false;
  if (!utf8Valid(text))
    throw BadUtf8("Bad UTF-8 string for %s", name());
  return TypedParameter<String>::setValue(String(text), priority);
}

std::unique_ptr<ConfigParameter>
StringParameter::cloneInto(Configuration& conf) const
{
  return cloneAs<StringParameter>(values_.begin()->second.c_str(), isAdvanced(),
                                  &conf, tagList().c_str());
}

// ---------------------------------------------------------------------------
// S64Parameter

namespace {

const char s64Prefix[] = "int64:";
const size_t s64PrefixLen = sizeof(s64Prefix) - 1;

bool isHexDigit(char c)
{
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
         (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return c - 'A' + 10;
}

} // namespace

S64Parameter::S64Parameter(const char* name, const char* desc, const char* def,
                           bool advanced, Configuration* conf, const char* tags)
    : StringParameter(NoDefaultLog(), name, desc, advanced, conf, tags)
{
  initDefault(def);
}

S64Parameter::S64Parameter(const char* name, const LocText& desc,
                           const char* def, bool advanced, Configuration* conf,
                           const char* tags)
    : StringParameter(NoDefaultLog(), name, desc, advanced, conf, tags)
{
  initDefault(def);
}

void S64Parameter::initDefault(const char* def)
{
  PLAT_ASSERT_DETAIL(def, "Default value <null> for %s not allowed", name());
  String stored;
  bool ok = parse(def, stored);
  PLAT_ASSERT_DETAIL(ok, "Bad default value '%s' for %s", def, name());
  values_[PriorityDefault] = stored;
  logSet(PriorityDefault);
}

String S64Parameter::canonical(int64_t value)
{
  uint64_t u = (uint64_t)value;
  char text[sizeof(s64Prefix) + 16];
  memcpy(text, s64Prefix, s64PrefixLen);
  static const char digits[] = "0123456789abcdef";
  for (int i = 0; i < 16; i++)
    text[s64PrefixLen + i] = digits[(u >> (60 - 4 * i)) & 0xf];
  text[s64PrefixLen + 16] = '\0';
  return String(text);
}

bool S64Parameter::parse(const char* text, String& stored)
{
  if (!text)
    return false;
  if (strncmp(text, s64Prefix, s64PrefixLen) == 0) {
    const char* digits = text + s64PrefixLen;
    if (strlen(digits) != 16)
      return false;
    for (int i = 0; i < 16; i++) {
      if (!isHexDigit(digits[i]))
        return false;
    }
    stored = text;
    return true;
  }
  MBuf<unsigned char> bytes;
  if (!tryHexDecode(text, bytes) || bytes.size() != 8)
    return false;
  uint64_t u = 0;
  for (int i = 7; i >= 0; i--)
    u = (u << 8) | bytes[i];
  stored = canonical((int64_t)u);
  return true;
}

int64_t S64Parameter::valueOf(const char* stored)
{
  uint64_t u = 0;
  if (!stored || strlen(stored) != s64PrefixLen + 16)
    return 0;
  for (int i = 0; i < 16; i++)
    u = (u << 4) | (uint64_t)hexValue(stored[s64PrefixLen + i]);
  return (int64_t)u;
}

int64_t S64Parameter::getValue() const
{
  return valueOf(current().c_str());
}

bool S64Parameter::setValue(int64_t value, int priority)
{
  return TypedParameter<String>::setValue(canonical(value), priority);
}

bool S64Parameter::setFromText(const char* text, int priority)
{
  String stored;
  if (!parse(text, stored))
    return false;
  return TypedParameter<String>::setValue(stored, priority);
}

std::unique_ptr<ConfigParameter>
S64Parameter::cloneInto(Configuration& conf) const
{
  return cloneAs<S64Parameter>(values_.begin()->second.c_str(), isAdvanced(),
                               &conf, tagList().c_str());
}

} // namespace plat
