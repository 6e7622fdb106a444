#include <loc/LocaleSetter.h>

#include <loc/Localize.h>
#include <loc/TransMap.h>

#include <plat/LogSrc.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace loc {

namespace {

class LocaleChanged : public plat::ParameterChangedCallback {
public:
  void parameterChanged(plat::ConfigParameter&, int) override
  {
    LocaleSetter::apply();
  }
};

// "de_DE.UTF-8@euro" -> "de_DE"; "C" and "POSIX" -> "en_US"; null when the
// language is not known.
const char* known(const std::string& name)
{
  std::string base = name.substr(0, name.find_first_of(".@"));
  if (base.empty())
    return nullptr;
  if (base == "C" || base == "POSIX")
    return "en_US";
  return TransMap::instance().findLanguage(base.c_str());
}

plat::LogSrc& localizeLog()
{
  static plat::StaticLogSrc src("Localize");
  return *src;
}

plat::LogSrc& localizeLogInit = localizeLog();

const char* processEnv(const char* name)
{
  return getenv(name);
}

// Keeps Locale declared in every program that links the module.
plat::StringParameter& localeInit = LocaleSetter::localeParam();

} // namespace

plat::StringParameter& LocaleSetter::localeParam()
{
  static plat::StringParameter* param = [] {
    static plat::StringParameter p(
        "Locale",
        plat::LocText{"loc_param_locale",
                      "Locale to use. Specify one of en_US, de_DE, es_ES, "
                      "fr_FR, or pt_BR, or leave empty to select the user or "
                      "system locale as appropriate."},
        "", false);
    static LocaleChanged cb;
    p.addCallback(&cb);
    return &p;
  }();
  return *param;
}

const char* LocaleSetter::choose(const char* locale,
                                 const char* (*env)(const char* name))
{
  if (locale && *locale) {
    const char* lang = known(locale);
    return lang ? lang : "en_US";
  }
  if (const char* list = env("LANGUAGE")) {
    std::string s(list);
    size_t pos = 0;
    while (pos <= s.size()) {
      size_t colon = s.find(':', pos);
      if (colon == std::string::npos)
        colon = s.size();
      if (const char* lang = known(s.substr(pos, colon - pos)))
        return lang;
      pos = colon + 1;
    }
  }
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = env(var);
    if (value && *value) {
      const char* lang = known(value);
      return lang ? lang : "en_US";
    }
  }
  return "en_US";
}

const char* LocaleSetter::apply()
{
  plat::String locale = localeParam().getValue();
  const char* lang = Localize::setLanguage(choose(locale.c_str(), &processEnv));
  localizeLog().info("Using language %s", lang);
  return lang;
}

} // namespace loc
