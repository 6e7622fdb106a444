// Choosing the language from Locale and the environment.
#include <loc/LocaleSetter.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace loc;

namespace {

std::map<std::string, std::string> fakeEnv;

const char* lookupEnv(const char* name)
{
  auto it = fakeEnv.find(name);
  return it == fakeEnv.end() ? nullptr : it->second.c_str();
}

} // namespace

TEST(LocaleSetter, LocaleParameterThenEnvironment)
{
  const struct {
    const char* locale;
    std::map<std::string, std::string> env;
    const char* expect;
  } cases[] = {
      // A known Locale wins; an unknown one means English.
      {"de_DE", {{"LANG", "fr_FR.UTF-8"}}, "de_DE"},
      {"fr-ca", {}, "fr_FR"},
      {"xx_XX", {{"LANG", "de_DE"}}, "en_US"},
      {nullptr, {{"LANG", "fr_FR.UTF-8"}}, "fr_FR"},
      {"", {{"LC_ALL", "pt_BR.UTF-8@x"}, {"LC_MESSAGES", "es_ES"}}, "pt_BR"},
      // LANGUAGE is a list: the first known entry counts; an unknown list
      // falls through to the other variables.
      {"", {{"LANGUAGE", "xx:de:fr"}, {"LANG", "es_ES"}}, "de_DE"},
      {"", {{"LANGUAGE", "xx:yy"}, {"LANG", "es_ES"}}, "es_ES"},
      // The first variable that is set decides, even for an unknown language.
      {"", {{"LC_ALL", "C"}, {"LANG", "de_DE"}}, "en_US"},
      {"", {{"LC_ALL", ""}, {"LANG", "de_DE"}}, "de_DE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale ? c.locale : "(null)");
    fakeEnv = c.env;
    EXPECT_STREQ(c.expect, LocaleSetter::choose(c.locale, &lookupEnv));
  }
}
