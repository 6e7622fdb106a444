// loc::Localize: texts shown to people, in the current language.
//
// A text is named by a message id ("io_error_tcp_timedout"). Localize looks
// it up in the current language, falls back to English and, for an id
// nobody registered, answers the id itself so the gap is visible rather than
// fatal. Arguments are inserted at "%S", "%1$S", "%2$S"; "%%" is a '%'.
//
//   throw io::EndpointInvalid(loc::Localize::text("io_error_endpoint_empty"));
//   plat::String s = loc::Localize::format("io_socks5_connection_type",
//                                          {proxyName});
//
// The current language is chosen on first use by LocaleSetter (the Locale
// parameter, else the environment) and follows later changes of Locale.
// Linking this module also installs the translator plat uses for its own
// texts (plat/Translate.h). Everything here may be used from any thread and
// during static initialisation; texts returned stay valid until the process
// ends.
#pragma once

#include <plat/String.h>

#include <initializer_list>

namespace loc {

class Localize {
public:
  // The text of id in the current language, else in English, else id.
  static const char* text(const char* id);
  // text(id) with the arguments inserted. Allocates.
  static plat::String format(const char* id,
                             std::initializer_list<const char*> args = {});
  // The text of id in the current language or English; null when unknown.
  static const char* lookup(const char* id);

  // The current language ("en_US", "de_DE", ...).
  static const char* language();
  // Makes language (a name TransMap knows, see TransMap::findLanguage)
  // current; an unknown name selects English. Returns the language chosen.
  static const char* setLanguage(const char* language);

  // Installs the plat translator; done at start-up, harmless to repeat.
  static void install();
};

} // namespace loc
