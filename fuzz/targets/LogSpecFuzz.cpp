// Logging text: the "Log" routing, source-name patterns, and the
// escaping of message texts on their way to a destination.
#include "../FuzzCheck.h"
#include "../FuzzInput.h"
#include "../FuzzTargets.h"

#include <plat/LogDest.h>
#include <plat/LogSrc.h>
#include <plat/utf8.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace jexfuzz {

namespace {

// Keeps what reaches it, for the checks below.
class CaptureDest : public plat::LogDest {
public:
  CaptureDest() : plat::LogDest("FuzzCapture") {}
  void write(int, const char*, const char* text) override
  {
    std::lock_guard<std::mutex> lock(mutex);
    texts.push_back(text);
  }
  std::mutex mutex;
  std::vector<std::string> texts;
};

CaptureDest& capture()
{
  static CaptureDest d;
  return d;
}

plat::LogSrc& fuzzLog()
{
  static plat::LogSrc s("FuzzSource");
  return s;
}

// The matcher's meaning, by dynamic programming: '*' matches any run,
// anything else one character ignoring ASCII case.
bool referenceMatch(const std::string& pat, const std::string& name)
{
  auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
  };
  // row[j]: pat[0..i) matches name[0..j)
  std::vector<char> row(name.size() + 1, 0), next(name.size() + 1);
  row[0] = 1;
  for (size_t i = 0; i < pat.size(); i++) {
    next.assign(name.size() + 1, 0);
    for (size_t j = 0; j <= name.size(); j++) {
      if (pat[i] == '*')
        next[j] = row[j] || (j > 0 && next[j - 1]);
      else if (j > 0)
        next[j] = row[j - 1] && lower(pat[i]) == lower(name[j - 1]);
    }
    row.swap(next);
  }
  return row[name.size()] != 0;
}

// Undoes LogSrc::escapeText; false when text is not an escaping's output.
bool unescape(const std::string& text, std::string& out)
{
  for (size_t i = 0; i < text.size(); i++) {
    unsigned char c = (unsigned char)text[i];
    if (c < 32 || c == 127)
      return false;
    if (c != '~') {
      out += char(c);
      continue;
    }
    if (++i == text.size())
      return false;
    unsigned char high = 0;
    if (text[i] == '~') {
      out += '~';
      continue;
    }
    if (text[i] == 'M') {
      high = 128;
      if (++i == text.size())
        return false;
    }
    if (i + 1 >= text.size())
      return false;
    unsigned char v = (unsigned char)text[i + 1];
    if (text[i] == '^')
      out += char((v ^ 64) | high);
    else if (text[i] == '-')
      out += char(v | high);
    else
      return false;
    i++;
  }
  return true;
}

} // namespace

int fuzz_logSpec(const uint8_t* data, size_t size)
{
  FuzzInput in(data, size);
  CaptureDest& dest = capture();
  plat::LogSrc& src = fuzzLog();

  std::string routing = in.piece('\n');
  std::string pattern = in.piece('\n');
  std::string name = in.piece('\n');
  std::string message = in.rest();

  plat::LogSrc::setLogSpec(routing.c_str());

  if (pattern.size() <= 64 && name.size() <= 64)
    FUZZ_CHECK(plat::LogSrc::patternMatches(pattern.c_str(), name.c_str()) ==
               referenceMatch(pattern.c_str(), name.c_str()));
  else
    plat::LogSrc::patternMatches(pattern.c_str(), name.c_str());

  // Escaping is undone exactly, and what reaches a destination holds no
  // control characters and only valid UTF-8.
  std::string escaped, back;
  plat::LogSrc::escapeText(message.c_str(), escaped);
  FUZZ_CHECK(unescape(escaped, back));
  FUZZ_CHECK(back == message.c_str());
  FUZZ_CHECK(plat::utf8Valid(escaped.c_str()));

  plat::LogSrc::setLogSpec("FuzzSource:FuzzCapture:100");
  {
    std::lock_guard<std::mutex> lock(dest.mutex);
    dest.texts.clear();
  }
  src.error("%s", message.c_str());
  {
    std::lock_guard<std::mutex> lock(dest.mutex);
    FUZZ_CHECK(dest.texts.size() == 1);
    std::string got;
    FUZZ_CHECK(unescape(dest.texts[0], got));
    // Cut to 4095 bytes at a character boundary: a prefix, at most three
    // bytes short of the limit when it was cut.
    std::string whole = message.c_str();
    FUZZ_CHECK(got.size() <= 4095 && whole.compare(0, got.size(), got) == 0);
    if (got.size() < whole.size())
      FUZZ_CHECK(got.size() > 4095 - 4);
    dest.texts.clear();
  }
  return 0;
}

} // namespace jexfuzz
