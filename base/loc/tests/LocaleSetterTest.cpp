// Choosing the language from Locale and the environment.
#include <loc/LocaleSetter.h>
#include <loc/Localize.h>

#include <plat/Configuration.h>

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

const char* chooseWith(const char* locale,
                       std::map<std::string, std::string> env)
{
  fakeEnv = env;
  return LocaleSetter::choose(locale, &lookupEnv);
}

} // namespace

TEST(LocaleSetter, LocaleParameterWins)
{
  EXPECT_STREQ("de_DE", chooseWith("de_DE", {{"LANG", "fr_FR.UTF-8"}}));
  EXPECT_STREQ("pt_BR", chooseWith("pt", {}));
  EXPECT_STREQ("fr_FR", chooseWith("fr-ca", {}));
  EXPECT_STREQ("es_ES", chooseWith("ES_es", {}));
  EXPECT_STREQ("en_US", chooseWith("xx_XX", {{"LANG", "de_DE"}}));
}

TEST(LocaleSetter, EnvironmentOrder)
{
  EXPECT_STREQ("en_US", chooseWith("", {}));
  EXPECT_STREQ("fr_FR", chooseWith(nullptr, {{"LANG", "fr_FR.UTF-8"}}));
  EXPECT_STREQ("es_ES", chooseWith("", {{"LC_MESSAGES", "es_ES"},
                                        {"LANG", "fr_FR"}}));
  EXPECT_STREQ("pt_BR", chooseWith("", {{"LC_ALL", "pt_BR.UTF-8@x"},
                                        {"LC_MESSAGES", "es_ES"}}));
  // LANGUAGE is a list: the first known entry counts; an unknown list falls
  // through to the other variables.
  EXPECT_STREQ("de_DE", chooseWith("", {{"LANGUAGE", "xx:de:fr"},
                                        {"LANG", "es_ES"}}));
  EXPECT_STREQ("es_ES", chooseWith("", {{"LANGUAGE", "xx:yy"},
                                        {"LANG", "es_ES"}}));
  // The first variable that is set decides, even for an unknown language.
  EXPECT_STREQ("en_US", chooseWith("", {{"LC_ALL", "C"}, {"LANG", "de_DE"}}));
  EXPECT_STREQ("en_US", chooseWith("", {{"LC_ALL", "ja_JP"},
                                        {"LANG", "de_DE"}}));
  EXPECT_STREQ("de_DE", chooseWith("", {{"LC_ALL", ""}, {"LANG", "de_DE"}}));
}

TEST(LocaleSetter, LocaleParameterChangesTheLanguage)
{
  plat::ConfigParameter* p = plat::Configuration::global().find("Locale");
  ASSERT_EQ(&LocaleSetter::localeParam(), p);
  EXPECT_FALSE(p->isAdvanced());
  EXPECT_STREQ("string", p->typeName());
  ASSERT_TRUE(p->setFromText("fr_FR", plat::PriorityPreference));
  EXPECT_STREQ("fr_FR", Localize::language());
  EXPECT_STREQ("Paramètres régionaux à utiliser. Indiquez en_US, de_DE, "
               "es_ES, fr_FR ou pt_BR, ou laissez vide pour utiliser ceux de "
               "l'utilisateur ou du système, selon le cas.",
               p->description());
  ASSERT_TRUE(p->setFromText("de_DE", 40));
  EXPECT_STREQ("de_DE", Localize::language());
  p->unset(40);
  EXPECT_STREQ("fr_FR", Localize::language());
  p->unset(plat::PriorityPreference);
  Localize::setLanguage("en_US");
}
