#include <plat/ParameterAlias.h>

#include <plat/Configuration.h>

#include <algorithm>
#include <cstring>

namespace plat {

ParameterAlias::ParameterAlias(const char* name, const char* names,
                               Configuration* conf)
    : name_(name), conf_(conf ? conf : &Configuration::global())
{
  const char* p = names ? names : "";
  while (*p) {
    const char* e = strchr(p, ',');
    size_t len = e ? (size_t)(e - p) : strlen(p);
    if (len)
      names_.push_back(String(p, len));
    p += len;
    if (*p == ',')
      p++;
  }
  conf_->aliases_.push_back(this);
}

ParameterAlias::~ParameterAlias()
{
  std::vector<ParameterAlias*>& a = conf_->aliases_;
  a.erase(std::remove(a.begin(), a.end(), this), a.end());
}

} // namespace plat
