#include <plat/Translate.h>

#include <plat/DString.h>

#include <atomic>
#include <cstring>

namespace plat {

namespace {
// Constant-initialised, so a translation asked for by any static
// constructor simply falls back to English.
std::atomic<TranslateFn> translator{nullptr};
} // namespace

void setTranslator(TranslateFn fn)
{
  translator.store(fn);
}

const char* translate(const char* id, const char* english)
{
  TranslateFn fn = translator.load();
  if (fn && id) {
    const char* text = fn(id);
    if (text)
      return text;
  }
  return english;
}

String insertArgs(const char* text, const char* const* args, int nArgs)
{
  if (!text)
    return String();
  DString out;
  int next = 0;
  const char* p = text;
  while (*p) {
    const char* pct = strchr(p, '%');
    if (!pct) {
      out.append(p);
      break;
    }
    out.append(p, (int)(pct - p));
    p = pct + 1;
    if (*p == '%') {
      out.append("%");
      p++;
    } else if (*p == 'S') {
      if (next < nArgs)
        out.append(args[next]);
      next++;
      p++;
    } else if (*p >= '1' && *p <= '9') {
      // Positional form: digits, '$', 'S'.
      const char* q = p;
      int n = 0;
      while (*q >= '0' && *q <= '9' && n < 1000)
        n = n * 10 + (*q++ - '0');
      if (q[0] == '$' && q[1] == 'S') {
        if (n <= nArgs)
          out.append(args[n - 1]);
        p = q + 2;
      } else {
        out.append("%");
      }
    } else {
      out.append("%");
    }
  }
  return String(out.c_str());
}

String insertArgs(const char* text, std::initializer_list<const char*> args)
{
  return insertArgs(text, args.begin(), (int)args.size());
}

String translateFormat(const LocText& t,
                       std::initializer_list<const char*> args)
{
  return insertArgs(translate(t), args);
}

} // namespace plat
