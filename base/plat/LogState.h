// The process-wide state shared by log sources and destinations (internal
// to LogSrc.cpp and LogDest.cpp).
#pragma once

#include <plat/LogDest.h>
#include <plat/LogSrc.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace plat {

// The process-wide logging state. Created on first use and never destroyed,
// so sources and destinations may be constructed, used and destroyed by any
// static constructor or destructor.
struct LogState {
  struct Element {
    std::string pattern;
    LogDest* dest;
    int level;
  };

  std::mutex mutex; // guards the lists and the elements
  LogSrc* sources = nullptr;
  LogDest* dests = nullptr;
  bool overrideSet = false;
  std::string overrideSpec;
  std::atomic<bool> configured{false};
  // The elements of the routing last applied; a source constructed
  // later is matched against them.
  std::vector<Element> elements;
  int maxLevel = -1;
  // Whether a routing has been applied: from then on a new source's
  // level comes from the elements, not from its initial "admit all".
  bool applied = false;

  static LogState& get()
  {
    static LogState* state = new LogState;
    return *state;
  }

  // Adds (dest, level) to src, replacing the level of an existing pair.
  static void addDest(LogSrc* src, LogDest* dest, int level)
  {
    if (!src->dests_)
      src->dests_ = new std::map<LogDest*, int>;
    (*src->dests_)[dest] = level;
  }

  // The names on one list (&LogState::sources or &LogState::dests), newest
  // first. Takes the mutex.
  template <class Node>
  static std::vector<std::string> namesOf(Node* LogState::*list)
  {
    LogState& st = get();
    std::lock_guard<std::mutex> lock(st.mutex);
    std::vector<std::string> names;
    for (Node* n = st.*list; n; n = n->next_)
      names.push_back(n->name_);
    return names;
  }

  // One "  <name>" line per name.
  static void printNames(FILE* out, const std::vector<std::string>& names)
  {
    for (const std::string& n : names)
      fprintf(out, "  %s\n", n.c_str());
  }

  // Removes d from the destination list, from every source and from the
  // elements. Called with the mutex held.
  static void unlinkDest(LogDest* d);
};

} // namespace plat
