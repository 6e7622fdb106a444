// The translation seam between plat and the localisation layer.
//
// plat sits below the localisation module (loc) and must not include it,
// yet some of its texts are shown to people: the command-line errors, the
// help output, parameter descriptions. Such a text is named by a LocText,
// a message id plus its English form. The localisation layer installs a
// translator at start-up; until then, or when it does not know an id, the
// English form is used. So plat works, in English, in a program that never
// links loc.
//
// Placeholders in localised texts: "%S" takes the next argument, "%1$S",
// "%2$S", ... take the given argument (1-based), and "%%" is a literal '%'.
//
//   static const plat::LocText badArg{"plat_bad_argument", "Bad argument
//   '%S'."}; plat::String msg = plat::translateFormat(badArg, {arg});
#pragma once

#include <plat/String.h>

#include <initializer_list>

namespace plat {

// A localisable text: its message id and the English text registered with
// it. Both are static strings.
struct LocText {
  const char* id;
  const char* english;
};

// Returns the text for id in the current language, or null when the id is
// unknown. The returned text must live until the process ends. Must not
// throw; may be called from any thread.
typedef const char* (*TranslateFn)(const char* id);

// Installs the translator (null removes it). Called by the localisation
// layer during start-up; not synchronised with concurrent translate() calls.
void setTranslator(TranslateFn fn);

// The text of id in the current language, falling back to english (which
// may be null, giving null for an unknown id). Never throws.
const char* translate(const char* id, const char* english);
inline const char* translate(const LocText& t)
{
  return translate(t.id, t.english);
}

// Replaces the placeholders of text (see above) by args; a placeholder
// whose argument is missing or null is replaced by nothing. A '%' that
// starts no placeholder is kept. Allocates (std::bad_alloc).
String insertArgs(const char* text, std::initializer_list<const char*> args);
String insertArgs(const char* text, const char* const* args, int nArgs);

// translate() followed by insertArgs().
String translateFormat(const LocText& t,
                       std::initializer_list<const char*> args = {});

} // namespace plat
