#include "JobFileSet.h"

#include "JobCancel.h"

#include <os/PrivateDir.h>

#include <fcntl.h>
#include <unistd.h>

JobFileSet::~JobFileSet()
{
  CancelBlock block;
  forgetCancelFiles(*this);
  removeAll();
  names_.clear();
  if (dirFd_ >= 0)
    close(dirFd_);
}

void JobFileSet::setDir(int dirFd, const char* path)
{
  dirFd_ = dirFd;
  dirPath_ = path;
}

int JobFileSet::create(const char* name)
{
  change(true, name);
  return os::createPrivateFile(dirFd_, dirPath_.c_str(), name);
}

plat::String JobFileSet::path(const char* name) const
{
  return plat::String::format("%s/%s", dirPath_.c_str(), name);
}

void JobFileSet::release(const char* name)
{
  change(false, name);
}

void JobFileSet::removeAll() const noexcept
{
  if (dirFd_ < 0)
    return;
  for (const std::string& name : names_)
    (void)unlinkat(dirFd_, name.c_str(), 0);
}

void JobFileSet::change(bool add, const char* name)
{
  CancelBlock block;
  if (add)
    names_.insert(name);
  else
    names_.erase(name);
}
