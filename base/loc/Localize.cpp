#include <loc/Localize.h>

#include <loc/LocaleSetter.h>
#include <loc/TransMap.h>

#include <plat/Translate.h>

#include <atomic>

namespace loc {

namespace {

const char english[] = "en_US";

// Null until a language has been chosen; then a string owned by TransMap
// (or the constant above), valid until the process ends.
std::atomic<const char*> current{nullptr};

const char* translateForPlat(const char* id)
{
  return Localize::lookup(id);
}

// plat's own texts are translated from start-up on in any program that links
// this file.
const bool installed = (Localize::install(), true);

} // namespace

void Localize::install()
{
  plat::setTranslator(&translateForPlat);
}

const char* Localize::language()
{
  const char* lang = current.load();
  if (!lang) {
    LocaleSetter::apply();
    lang = current.load();
  }
  return lang ? lang : english;
}

const char* Localize::setLanguage(const char* language)
{
  const char* lang = TransMap::instance().findLanguage(language);
  if (!lang)
    lang = english;
  current.store(lang);
  return lang;
}

const char* Localize::lookup(const char* id)
{
  TransMap& map = TransMap::instance();
  const char* text = map.lookup(language(), id);
  if (!text)
    text = map.lookup(english, id);
  return text;
}

const char* Localize::text(const char* id)
{
  const char* text = lookup(id);
  return text ? text : id;
}

plat::String Localize::format(const char* id,
                              std::initializer_list<const char*> args)
{
  return plat::insertArgs(text(id), args);
}

} // namespace loc
