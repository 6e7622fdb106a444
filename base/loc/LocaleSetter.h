// loc::LocaleSetter: chooses the language of loc::Localize.
//
// The Locale parameter decides when it is set (en_US, de_DE, es_ES, fr_FR,
// pt_BR; also forms such as "de", "fr_CA" or "pt_BR.UTF-8", matched by
// language). When it is empty, the environment decides as gettext would:
// the first entry of the colon-separated LANGUAGE list that names a known
// language, else the first of LC_ALL, LC_MESSAGES and LANG that is set and
// not empty. Anything unknown, "C" and "POSIX" give English.
//
// Applying happens on first use of Localize and again whenever Locale
// changes (a change callback). Not meant to race with lookups in progress:
// a lookup sees either language.
#pragma once

#include <plat/StringParameter.h>

namespace loc {

class LocaleSetter {
public:
  // The Locale parameter (created on first use, declared at start-up).
  static plat::StringParameter& localeParam();

  // The language for a Locale value and an environment lookup function
  // (getenv in real use). Returns a known language name.
  static const char* choose(const char* locale,
                            const char* (*env)(const char* name));

  // Chooses from Locale and the process environment and makes the result
  // current. Returns it.
  static const char* apply();
};

} // namespace loc
