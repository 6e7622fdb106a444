// loc::TransMap: every known translation, by language and message id.
//
// The process-wide map is created on first use with the built-in tables of
// Translation.h registered; translation files (.po) add to it or override
// it. Texts, once handed out, stay valid until the process ends: a text
// replaced by a later load is kept, not freed. All operations lock an
// internal mutex and may be used from any thread.
#pragma once

#include <loc/Translation.h>

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace rdr {
class InStream;
}

namespace loc {

class TransMap {
public:
  static TransMap& instance();

  // Registers a static table; its texts are not copied.
  void addTable(const Translation& table);
  // Adds or replaces one text (copied).
  void add(const char* language, const char* id, const char* text);

  // The text of id in language, or null when either is unknown.
  const char* lookup(const char* language, const char* id) const;
  // The stored spelling of a language that matches name exactly (ignoring
  // case, '-' taken as '_'), else the first language whose language part
  // matches ("pt" or "pt_PT" gives "pt_BR"), else null. The result stays
  // valid until the process ends.
  const char* findLanguage(const char* name) const;
  std::vector<std::string> languages() const;

  // Reads a translation file in .po form from in: msgid is the message id,
  // msgstr its text in the language; entries marked fuzzy and empty texts
  // are skipped. language may be null to take it from the header's
  // "Language:" field. Returns the number of texts added. Throws
  // plat::Exception "Bad translation file: line %d" on a syntax error (texts
  // before it are kept), plat::Exception when no language is known, and
  // what in throws.
  int loadPo(rdr::InStream& in, const char* language = nullptr);

  TransMap();

private:
  typedef std::map<std::string, const char*, std::less<>> Texts;

  mutable std::mutex mutex_;
  std::map<std::string, Texts, std::less<>> languages_;
  std::deque<std::string> owned_;
};

} // namespace loc
