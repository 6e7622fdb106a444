#include <plat/DynamicFn.h>

#include <plat/LogSrc.h>
#include <plat/String.h>
#include <plat/unix/Threading.h>

#include <cstring>
#include <dlfcn.h>

namespace plat {

namespace {

Mutex& bindMutex()
{
  static Mutex m;
  return m;
}

// Created at start-up like every process-wide mutex, not by the first
// binding, which may already run on a second thread.
Mutex& startupMutex = bindMutex();

StaticLogSrc vlog("DynamicFn");

} // namespace

DynamicFn::DynamicFn(const char* librarySpec, const char* functionNames,
                     bool exactFile)
    : fn_(nullptr), handle_(nullptr)
{
  String list(librarySpec);
  char* p = list.buf();
  if (!p)
    return;
  const char* seps = exactFile ? "," : ",[";

  while (*p) {
    char* entry = p;
    char* sep = entry + strcspn(entry, seps);
    char* versions = nullptr;
    if (*sep == '[') {
      *sep = '\0';
      versions = sep + 1;
      char* close = versions + strcspn(versions, "]");
      // Anything between "]" and the next "," is ignored.
      char* next = strchr(close, ',');
      *close = '\0';
      p = next ? next + 1 : close; // close now ends the list
    } else if (*sep == ',') {
      *sep = '\0';
      p = sep + 1;
    } else {
      p = sep;
    }

    if (!exactFile && !strchr(entry, '/')) {
      if (versions) {
        String vers(versions);
        char* v = vers.buf();
        while (v) {
          char* comma = strchr(v, ',');
          if (comma)
            *comma = '\0';
          String file = String::format("lib%s.so.%s", entry, v);
          if (tryFile(file.get(), functionNames))
            return;
          v = comma ? comma + 1 : nullptr;
        }
      } else {
        String file = String::format("lib%s.so", entry);
        if (tryFile(file.get(), functionNames))
          return;
      }
    } else if (tryFile(entry, functionNames)) {
      return;
    }
  }
}

DynamicFn::~DynamicFn()
{
  if (handle_)
    dlclose(handle_);
}

bool DynamicFn::tryFile(const char* file, const char* functionNames)
{
  MutexLock lock(bindMutex());
  if (handle_) {
    dlclose(handle_);
    handle_ = nullptr;
  }
  handle_ = dlopen(file, RTLD_LAZY | RTLD_GLOBAL);
  if (!handle_) {
    vlog->debug(" [DynFnOpen(%s) failed]", file);
    return false;
  }
  String names(functionNames);
  char* n = names.buf();
  while (n) {
    char* comma = strchr(n, ',');
    if (comma)
      *comma = '\0';
    fn_ = dlsym(handle_, n);
    if (fn_) {
      vlog->debug("found '%s' in '%s'", n, file);
      return true;
    }
    vlog->debug("  [DynFnFind(%s) failed]", n);
    n = comma ? comma + 1 : nullptr;
  }
  dlclose(handle_);
  handle_ = nullptr;
  return false;
}

} // namespace plat
