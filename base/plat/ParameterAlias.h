// plat::ParameterAlias: one name standing for several parameters.
//
// When a registry is asked to set a name that no parameter bears, it looks
// for an alias of that name and sets every parameter the alias lists, from
// the same text. The system declares no alias; programs may.
//
//   static plat::ParameterAlias fast("Fast", "MiniUpdates,ZlibLevel");
//
// An alias joins its registry (the global one when null) on construction
// and leaves it on destruction.
#pragma once

#include <plat/NonCopyable.h>
#include <plat/String.h>

#include <vector>

namespace plat {

class Configuration;

class ParameterAlias : private NonCopyable {
public:
  // name: static text; names: comma-separated parameter names (copied).
  ParameterAlias(const char* name, const char* names,
                 Configuration* conf = nullptr);
  ~ParameterAlias();

  const char* name() const { return name_; }
  const std::vector<String>& names() const { return names_; }

private:
  const char* name_;
  std::vector<String> names_;
  Configuration* conf_;
};

} // namespace plat
