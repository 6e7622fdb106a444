#include <plat/LogSrc.h>

#include <plat/Assert.h>
#include <plat/BoundedText.h>
#include <plat/LogDest.h>
#include <plat/LogDestMem.h>
#include <plat/LogState.h>
#include <plat/StringParameter.h>
#include <plat/utf8.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <strings.h>
#include <vector>

namespace plat {

namespace {

class LogParamCallback : public ParameterChangedCallback {
public:
  void parameterChanged(ConfigParameter&, int) override
  {
    LogSrc::applyLogSpec();
  }
};

const size_t MaxText = 4096;

bool needsEscape(const char* text)
{
  for (const unsigned char* p = (const unsigned char*)text; *p; p++) {
    if (*p < 32 || *p > 125)
      return true;
  }
  return false;
}

void escapeByte(unsigned char b, std::string& out)
{
  out += '~';
  if (b >= 128)
    out += 'M';
  unsigned char c = b & 127;
  if (c < 33 || c == 127) {
    out += '^';
    out += (char)(c ^ 64);
  } else {
    out += '-';
    out += (char)c;
  }
}

} // namespace

StringParameter& LogSrc::logParam()
{
  static StringParameter* param = [] {
    static StringParameter p(
        "Log",
        LocText{"plat_param_log",
                "Record events in the format <log>:<target>:<level>[,...]."},
        "", false);
    static LogParamCallback cb;
    p.addCallback(&cb);
    return &p;
  }();
  return *param;
}

// The "Log" parameter is declared at start-up, so that help and lookups see
// it in every program.
static StringParameter& logParamInit = LogSrc::logParam();

LogSrc::LogSrc(const char* name)
    : name_(name), level_(LevelAll), dests_(nullptr), next_(nullptr),
      constructed_(1)
{
  LogState& st = LogState::get();
  std::lock_guard<std::mutex> lock(st.mutex);
  next_ = st.sources;
  st.sources = this;
  if (st.applied) {
    for (const LogState::Element& e : st.elements) {
      if (patternMatches(e.pattern.c_str(), name_))
        LogState::addDest(this, e.dest, e.level);
    }
    recomputeLevel();
  }
}

LogSrc::~LogSrc()
{
  LogState& st = LogState::get();
  std::lock_guard<std::mutex> lock(st.mutex);
  for (LogSrc** pp = &st.sources; *pp; pp = &(*pp)->next_) {
    if (*pp == this) {
      *pp = next_;
      break;
    }
  }
  delete dests_;
  dests_ = nullptr;
}

bool LogSrc::enabled(int level) const
{
  return level <= level_.load(std::memory_order_relaxed) ||
         !LogState::get().configured.load(std::memory_order_relaxed);
}

void LogSrc::logV(int level, const char* format, va_list ap)
{
  if (!enabled(level))
    return;
  char text[MaxText];
  text[0] = '\0';
  boundedAppendFormatV(text, sizeof(text), format, ap);
  write(level, text);
}

void LogSrc::log(int level, const char* format, ...)
{
  va_list ap;
  va_start(ap, format);
  logV(level, format, ap);
  va_end(ap);
}

#define PLAT_LOGSRC_FIXED(fn, lvl)                                             \
  void LogSrc::fn(const char* format, ...)                                     \
  {                                                                            \
    va_list ap;                                                                \
    va_start(ap, format);                                                      \
    logV(lvl, format, ap);                                                     \
    va_end(ap);                                                                \
  }
PLAT_LOGSRC_FIXED(error, LevelError)
PLAT_LOGSRC_FIXED(status, LevelStatus)
PLAT_LOGSRC_FIXED(info, LevelInfo)
PLAT_LOGSRC_FIXED(debug, LevelDebug)
#undef PLAT_LOGSRC_FIXED

void LogSrc::write(int level, const char* text)
{
  PLAT_ASSERT(constructed_);
  bool haveDests = dests_ && !dests_->empty();
  if (!haveDests && LogState::get().configured.load(std::memory_order_relaxed))
    return;
  if (!text)
    text = "";
  try {
    std::string escaped;
    if (needsEscape(text)) {
      escapeText(text, escaped);
      text = escaped.c_str();
    }
    bool written = false;
    if (haveDests) {
      for (const auto& d : *dests_) {
        if (d.first->accepts(level) && d.second >= level) {
          d.first->write(level, name_, text);
          written = true;
        }
      }
    }
    if (!written)
      LogDestMem::instance().write(level, name_, text);
  } catch (...) {
    // Logging must not fail its caller; a message lost to a full memory is
    // the only casualty.
  }
}

void LogSrc::escapeText(const char* text, std::string& out)
{
  const char* p = text;
  const char* end = text + strlen(text);
  while (p < end) {
    unsigned char b = (unsigned char)*p;
    if (b == '~') {
      out += "~~";
      p++;
    } else if (b < 32 || b == 127) {
      out += '~';
      out += '^';
      out += (char)(b ^ 64);
      p++;
    } else if (b < 128) {
      out += (char)b;
      p++;
    } else {
      const char* start = p;
      if (utf8Decode(p, end) != Utf8Invalid) {
        out.append(start, p - start);
      } else {
        for (const char* q = start; q < p; q++)
          escapeByte((unsigned char)*q, out);
      }
    }
  }
}

void LogSrc::recomputeLevel()
{
  int level = LevelNone;
  if (dests_) {
    for (const auto& d : *dests_) {
      int l = d.second < d.first->level() ? d.second : d.first->level();
      if (l > level)
        level = l;
    }
  }
  level_.store(level, std::memory_order_relaxed);
}

std::map<LogDest*, int> LogSrc::destinations() const
{
  if (!dests_)
    return std::map<LogDest*, int>();
  return *dests_;
}

bool LogSrc::patternMatches(const char* pattern, const char* name)
{
  // Iterative wildcard matching with one backtrack point: on a mismatch
  // after a '*', let that '*' swallow one more character.
  const char* star = nullptr;
  const char* retry = nullptr;
  while (*name) {
    if (*pattern == '*') {
      star = pattern++;
      retry = name;
    } else if (*pattern && tolower((unsigned char)*pattern) ==
                               tolower((unsigned char)*name)) {
      pattern++;
      name++;
    } else if (star) {
      pattern = star + 1;
      name = ++retry;
    } else {
      return false;
    }
  }
  while (*pattern == '*')
    pattern++;
  return *pattern == '\0';
}

void LogSrc::setLogSpec(const char* routing)
{
  LogState& st = LogState::get();
  {
    std::lock_guard<std::mutex> lock(st.mutex);
    if (!routing) {
      st.overrideSet = false;
      st.overrideSpec.clear();
    } else if (!st.overrideSet || st.overrideSpec != routing) {
      st.overrideSet = true;
      st.overrideSpec = routing;
    }
  }
  applyLogSpec();
}

namespace {

// Whether text is a whole non-negative decimal number that fits an int.
bool parseLevel(const std::string& text, int& level)
{
  if (text.empty() || text.size() > 10)
    return false;
  long long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    v = v * 10 + (c - '0');
  }
  if (v > 2147483647LL)
    return false;
  level = (int)v;
  return true;
}

} // namespace

void LogSrc::applyLogSpec()
{
  LogState& st = LogState::get();
  // Read the parameter before taking the lock: constructing it logs.
  String paramSpec = logParam().getValue();

  std::vector<LogState::Element> replays;
  int maxLevel = -1;
  {
    std::lock_guard<std::mutex> lock(st.mutex);
    std::string routing =
        st.overrideSet ? st.overrideSpec : std::string(paramSpec.c_str());

    for (LogSrc* s = st.sources; s; s = s->next_) {
      if (s->dests_)
        s->dests_->clear();
      s->level_.store(LevelNone, std::memory_order_relaxed);
    }
    st.elements.clear();

    size_t pos = 0;
    while (pos <= routing.size() && !routing.empty()) {
      size_t comma = routing.find(',', pos);
      if (comma == std::string::npos)
        comma = routing.size();
      std::string elem = routing.substr(pos, comma - pos);
      pos = comma + 1;
      if (elem.empty())
        continue;

      size_t c1 = elem.find(':');
      size_t c2 = c1 == std::string::npos ? c1 : elem.find(':', c1 + 1);
      int level;
      if (c2 == std::string::npos || !parseLevel(elem.substr(c2 + 1), level)) {
        fprintf(stderr, "Failed to parse log param element: '%s'\n",
                elem.c_str());
        continue;
      }
      std::string pattern = elem.substr(0, c1);
      std::string target = elem.substr(c1 + 1, c2 - c1 - 1);
      if (target.empty())
        continue;
      LogDest* dest = nullptr;
      for (LogDest* d = st.dests; d; d = d->next_) {
        if (strcasecmp(d->name_, target.c_str()) == 0) {
          dest = d;
          break;
        }
      }
      if (!dest) {
        fprintf(stderr, "No LogDest found: '%s'\n", target.c_str());
        continue;
      }

      for (LogSrc* s = st.sources; s; s = s->next_) {
        if (patternMatches(pattern.c_str(), s->name_))
          LogState::addDest(s, dest, level);
      }
      st.elements.push_back({pattern, dest, level});
      if (level > maxLevel)
        maxLevel = level;
      if (pattern == "*" && dest->accepts(level))
        replays.push_back({pattern, dest, level});
    }

    for (LogSrc* s = st.sources; s; s = s->next_)
      s->recomputeLevel();
    st.maxLevel = maxLevel;
    st.applied = true;
  }

  LogDestMem& mem = LogDestMem::instance();
  for (const LogState::Element& e : replays)
    mem.replay(*e.dest, e.level);
  mem.dropUpTo(maxLevel);
}

bool LogSrc::configured()
{
  return LogState::get().configured.load(std::memory_order_relaxed);
}

void LogSrc::finishStartup()
{
  LogState& st = LogState::get();
  int maxLevel;
  {
    std::lock_guard<std::mutex> lock(st.mutex);
    if (st.configured.load())
      return;
    st.configured.store(true);
    maxLevel = st.maxLevel;
  }
  LogDestMem& mem = LogDestMem::instance();
  mem.dropUpTo(maxLevel);
  mem.clear();
}

void LogSrc::recomputeAllLevels()
{
  LogState& st = LogState::get();
  std::lock_guard<std::mutex> lock(st.mutex);
  for (LogSrc* s = st.sources; s; s = s->next_)
    s->recomputeLevel();
}

std::vector<std::string> LogSrc::names()
{
  return LogState::namesOf(&LogState::sources);
}

void LogSrc::printNames(FILE* out)
{
  LogState::printNames(out, names());
}

} // namespace plat
