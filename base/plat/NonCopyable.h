// plat::NonCopyable: a base that forbids copying and assignment.
//
// Inherit privately from it for objects whose identity matters (objects that
// register themselves somewhere, own a resource, or are referenced by
// address), so that an accidental copy fails to compile.
#pragma once

namespace plat {

class NonCopyable {
protected:
  NonCopyable() = default;
  ~NonCopyable() = default;

public:
  NonCopyable(const NonCopyable&) = delete;
  NonCopyable& operator=(const NonCopyable&) = delete;
};

} // namespace plat
