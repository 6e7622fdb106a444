// Functions of optional shared libraries, bound at run time.
//
// The program links against no optional system library; it binds the
// functions it needs when first used, from a library list naming
// the files to try:
//
//   list    = entry ("," entry)*
//   entry   = name                   tries "lib<name>.so"
//           | name "[" vers "]"      tries "lib<name>.so.<v>" for each v of
//                                    the comma-separated vers, in order
//           | path-containing-"/"    used as the file name as it is
//
// With the exact-file flag every entry is a file name as it is. In each file
// opened, the comma-separated function names are looked up in order and the
// first found is bound. A missing library or symbol only leaves the object
// unbound (and logs on the "DynamicFn" source at level 110); the call
// wrappers built on it throw plat::DynamicFnLoadFailed when called.
//
// Opening and looking up run under one process-wide recursive mutex, so
// bindings on different threads never interleave their dlopen/dlclose.
#pragma once

namespace plat {

class DynamicFn {
public:
  // Binds as described above. Never throws for a missing library or
  // symbol. Blocks while another thread binds.
  DynamicFn(const char* librarySpec, const char* functionNames,
            bool exactFile = false);
  // dlclose()s the library if one is held.
  ~DynamicFn();
  DynamicFn(const DynamicFn&) = delete;
  DynamicFn& operator=(const DynamicFn&) = delete;

  // The bound function, or null.
  void* get() const { return fn_; }
  template <class F> F as() const { return reinterpret_cast<F>(fn_); }

private:
  bool tryFile(const char* file, const char* functionNames);

  void* fn_;
  void* handle_;
};

} // namespace plat
