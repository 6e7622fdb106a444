// loc::Translation: one language's built-in table of message texts.
//
// A message id names a text shown to people ("plat_bad_argument",
// "io_error_tcp_timedout"); each supported language has a table mapping the
// ids to its texts. The English table is the reference: every id the system
// uses is in it, with the English text the code also carries as fallback.
// Texts may hold the placeholders "%S", "%1$S", "%2$S" and "%%" (see
// plat/Translate.h).
//
// The tables are static data; TransMap (TransMap.h) indexes them, together
// with translations loaded from files.
#pragma once

#include <cstddef>

namespace loc {

struct Message {
  const char* id;
  const char* text;
};

struct Translation {
  const char* language; // "en_US", "de_DE", "es_ES", "fr_FR", "pt_BR"
  const Message* messages;
  size_t count;

  // The built-in tables, English first.
  static const Translation* const* builtin(size_t& count);
};

extern const Translation translation_en_US;
extern const Translation translation_de_DE;
extern const Translation translation_es_ES;
extern const Translation translation_fr_FR;
extern const Translation translation_pt_BR;

} // namespace loc
