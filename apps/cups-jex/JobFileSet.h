// The removal set: the job files to delete when a run ends.
//
// The job run registers every file just before it creates it and erases the
// ones the session agent has taken over; whatever is still registered when
// the set is destroyed is unlinked. So a run that ends early, through an
// exception or otherwise, leaves nothing of its own behind.
//
// Entries are owned NUL-terminated strings ordered by strcmp (a null entry
// first). Not copyable.
#pragma once

#include <cstddef>
#include <set>

class JobFileSet {
public:
  JobFileSet() = default;
  JobFileSet(const JobFileSet&) = delete;
  JobFileSet& operator=(const JobFileSet&) = delete;
  // Unlinks every non-null, non-empty entry in order (results ignored),
  // then frees all entries.
  ~JobFileSet();

  // Takes ownership of name (malloc'd). A name already present keeps the
  // existing entry and frees the new one.
  void insert(char* name);
  // Inserts a copy of each name.
  void insertCopies(const char* const* names, size_t count);
  // Removes and frees every entry equal to name; absent names are ignored.
  void erase(const char* name);

  size_t size() const { return names_.size(); }
  bool contains(const char* name) const;

private:
  struct Less {
    bool operator()(const char* a, const char* b) const;
  };
  std::set<char*, Less> names_;
};
