#include "JobFileSet.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <unistd.h>

bool JobFileSet::Less::operator()(const char* a, const char* b) const
{
  if (!a || !b)
    return !a && b;
  return strcmp(a, b) < 0;
}

JobFileSet::~JobFileSet()
{
  for (char* name : names_) {
    if (name && name[0])
      (void)unlink(name);
  }
  for (char* name : names_)
    free(name);
}

void JobFileSet::insert(char* name)
{
  bool inserted;
  try {
    inserted = names_.insert(name).second;
  } catch (...) {
    free(name);
    throw;
  }
  if (!inserted)
    free(name);
}

void JobFileSet::insertCopies(const char* const* names, size_t count)
{
  for (size_t i = 0; i < count; i++) {
    char* copy = nullptr;
    if (names[i]) {
      copy = strdup(names[i]);
      if (!copy)
        throw std::bad_alloc();
    }
    insert(copy);
  }
}

void JobFileSet::erase(const char* name)
{
  auto it = names_.find(const_cast<char*>(name));
  if (it == names_.end())
    return;
  char* owned = *it;
  names_.erase(it);
  free(owned);
}

bool JobFileSet::contains(const char* name) const
{
  return names_.count(const_cast<char*>(name)) != 0;
}
