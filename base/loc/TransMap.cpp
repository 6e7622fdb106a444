#include <loc/TransMap.h>

#include <plat/DString.h>
#include <plat/Exception.h>
#include <rdr/Exception.h>
#include <rdr/InStream.h>

#include <cstring>
#include <strings.h>

namespace loc {

TransMap::TransMap() {}

TransMap& TransMap::instance()
{
  // Never destroyed: texts handed out must outlive every caller, static
  // destructors included.
  static TransMap* map = [] {
    TransMap* m = new TransMap;
    size_t n;
    const Translation* const* tables = Translation::builtin(n);
    for (size_t i = 0; i < n; i++)
      m->addTable(*tables[i]);
    return m;
  }();
  return *map;
}

void TransMap::addTable(const Translation& table)
{
  std::lock_guard<std::mutex> lock(mutex_);
  Texts& texts = languages_[table.language];
  for (size_t i = 0; i < table.count; i++)
    texts[table.messages[i].id] = table.messages[i].text;
}

void TransMap::add(const char* language, const char* id, const char* text)
{
  std::lock_guard<std::mutex> lock(mutex_);
  owned_.emplace_back(text);
  languages_[language][id] = owned_.back().c_str();
}

const char* TransMap::lookup(const char* language, const char* id) const
{
  if (!language || !id)
    return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  auto lang = languages_.find(language);
  if (lang == languages_.end())
    return nullptr;
  auto t = lang->second.find(id);
  return t == lang->second.end() ? nullptr : t->second;
}

namespace {

// Compares a locale name with a stored language, '-' matching '_'. With
// partOnly, only the language part (before '_') is compared.
bool sameLanguage(const char* name, const std::string& lang, bool partOnly)
{
  size_t i = 0;
  for (;; i++) {
    char a = name[i] == '-' ? '_' : name[i];
    char b = i < lang.size() ? lang[i] : '\0';
    if (partOnly && (a == '_' || a == '\0'))
      return b == '_' || b == '\0';
    if (a == '\0' || b == '\0')
      return a == b;
    if (tolower((unsigned char)a) != tolower((unsigned char)b))
      return false;
  }
}

} // namespace

const char* TransMap::findLanguage(const char* name) const
{
  if (!name || !*name)
    return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& l : languages_) {
    if (sameLanguage(name, l.first, false))
      return l.first.c_str();
  }
  // Several countries may share a language part; the built-in order of
  // preference is the tables' (so "en" is en_US, whatever else is loaded).
  size_t n;
  const Translation* const* tables = Translation::builtin(n);
  for (size_t i = 0; i < n; i++) {
    auto l = languages_.find(tables[i]->language);
    if (l != languages_.end() && sameLanguage(name, l->first, true))
      return l->first.c_str();
  }
  for (const auto& l : languages_) {
    if (sameLanguage(name, l.first, true))
      return l.first.c_str();
  }
  return nullptr;
}

std::vector<std::string> TransMap::languages() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> list;
  for (const auto& l : languages_)
    list.push_back(l.first);
  return list;
}

// ---------------------------------------------------------------------------
// Translation files

namespace {

enum class Field { None, Ctxt, Id, Str };

struct PoEntry {
  std::string id, str;
  bool fuzzy = false;
  bool hasId = false, hasStr = false;
};

// Appends the C-escaped text inside the quotes that start at p; false when
// the line is not exactly one quoted string.
bool appendQuoted(const char* p, std::string& out)
{
  while (*p == ' ' || *p == '\t')
    p++;
  if (*p++ != '"')
    return false;
  for (; *p && *p != '"'; p++) {
    if (*p != '\\') {
      out += *p;
      continue;
    }
    switch (*++p) {
    case 'n': out += '\n'; break;
    case 't': out += '\t'; break;
    case 'r': out += '\r'; break;
    case '"': out += '"'; break;
    case '\\': out += '\\'; break;
    default: return false;
    }
  }
  if (*p != '"')
    return false;
  for (p++; *p == ' ' || *p == '\t'; p++) {
  }
  return *p == '\0';
}

// The value of the "Language:" line of a header text, or "".
std::string headerLanguage(const std::string& header)
{
  size_t pos = 0;
  while (pos < header.size()) {
    size_t nl = header.find('\n', pos);
    if (nl == std::string::npos)
      nl = header.size();
    std::string line = header.substr(pos, nl - pos);
    if (strncasecmp(line.c_str(), "Language:", 9) == 0) {
      size_t b = line.find_first_not_of(" \t", 9);
      return b == std::string::npos ? "" : line.substr(b);
    }
    pos = nl + 1;
  }
  return "";
}

} // namespace

int TransMap::loadPo(rdr::InStream& in, const char* language)
{
  std::string lang = language ? language : "";
  std::vector<std::pair<std::string, std::string>> texts;
  int added = 0;

  PoEntry e;
  Field field = Field::None;
  int lineNo = 0;

  auto finish = [&]() {
    if (e.hasId && e.hasStr && !e.fuzzy) {
      if (e.id.empty()) {
        if (lang.empty())
          lang = headerLanguage(e.str);
      } else if (!e.str.empty()) {
        texts.emplace_back(e.id, e.str);
      }
    }
    e = PoEntry();
    field = Field::None;
  };
  auto flush = [&]() {
    if (texts.empty())
      return;
    if (lang.empty())
      throw plat::Exception("Translation file names no language");
    for (const auto& t : texts)
      add(lang.c_str(), t.first.c_str(), t.second.c_str());
    added += (int)texts.size();
    texts.clear();
  };

  plat::DString line;
  try {
    while (!in.atEnd()) {
      line.clear();
      in.readLine(line);
      lineNo++;
      const char* p = line.c_str();
      while (*p == ' ' || *p == '\t')
        p++;
      bool ok = true;
      if (*p == '\0') {
        finish();
      } else if (*p == '#') {
        // A comment starts a new entry when the previous one is complete.
        if (e.hasStr)
          finish();
        if (p[1] == ',' && strstr(p, "fuzzy"))
          e.fuzzy = true;
      } else if (strncmp(p, "msgctxt", 7) == 0) {
        if (e.hasStr)
          finish();
        std::string ignored;
        ok = appendQuoted(p + 7, ignored);
        field = Field::Ctxt;
      } else if (strncmp(p, "msgid_plural", 12) == 0) {
        std::string ignored;
        ok = appendQuoted(p + 12, ignored);
        field = Field::Ctxt; // plural forms are not used
      } else if (strncmp(p, "msgid", 5) == 0) {
        if (e.hasStr)
          finish();
        ok = !e.hasId && appendQuoted(p + 5, e.id);
        e.hasId = true;
        field = Field::Id;
      } else if (strncmp(p, "msgstr", 6) == 0) {
        const char* q = p + 6;
        if (*q == '[') {
          // Plural forms: only the first counts.
          bool first = strncmp(q, "[0]", 3) == 0;
          q = strchr(q, ']');
          ok = q != nullptr;
          if (ok && first && !e.hasStr)
            ok = appendQuoted(q + 1, e.str);
          else if (ok) {
            std::string ignored;
            ok = appendQuoted(q + 1, ignored);
          }
        } else {
          ok = e.hasId && !e.hasStr && appendQuoted(q, e.str);
        }
        e.hasStr = true;
        field = Field::Str;
      } else if (*p == '"') {
        std::string ignored;
        if (field == Field::Id)
          ok = appendQuoted(p, e.id);
        else if (field == Field::Str)
          ok = appendQuoted(p, e.str);
        else
          ok = field == Field::Ctxt && appendQuoted(p, ignored);
      } else {
        ok = false;
      }
      if (!ok) {
        flush();
        throw plat::Exception(plat::Exception::fmt,
                              "Bad translation file: line %d", lineNo);
      }
    }
  } catch (const rdr::EndOfStream&) {
    // A stream that cannot tell its end in advance ends here.
  }
  finish();
  flush();
  return added;
}

} // namespace loc
