#include <os/AppInfo.h>

#include <plat/Assert.h>
#include <plat/DString.h>
#include <plat/Translate.h>
#include <plat/file.h>

#include <unistd.h>

namespace os {

namespace {

struct Record {
  plat::String app;
  plat::String company;
  plat::String pathComp;
  plat::String displayNameKey;
  plat::String displayName;
  plat::String group;
};

Record& record()
{
  static Record r;
  return r;
}

const char* const TmpRoot = "/tmp";

// Keeps the existing copy when the text is unchanged.
void assign(plat::String& field, const char* text)
{
  if (field != text)
    field = text;
}

} // namespace

void AppInfo::set(const char* a, const char* company, const char* pathComp,
                  const char* displayNameKey, const char* displayName)
{
  PLAT_ASSERT(a);
  Record& r = record();
  assign(r.app, a);
  assign(r.company, company);
  assign(r.pathComp, pathComp);
  assign(r.displayNameKey, displayNameKey);
  assign(r.displayName, displayName);
}

void AppInfo::setApp(const char* a)
{
  PLAT_ASSERT(a);
  assign(record().app, a);
}

void AppInfo::setGroup(const char* g)
{
  PLAT_ASSERT(g);
  assign(record().group, g);
}

void AppInfo::setDisplayName(const char* name)
{
  assign(record().displayName, name);
  record().displayNameKey.clear();
}

const char* AppInfo::getApp(bool emptyIfUnset)
{
  const char* app = record().app.get();
  PLAT_ASSERT(emptyIfUnset || app);
  return app ? app : "";
}

const char* AppInfo::getCompany(bool emptyIfUnset)
{
  const char* company = record().company.get();
  PLAT_ASSERT(emptyIfUnset || company);
  return company ? company : "";
}

const char* AppInfo::getPathComp(bool emptyIfUnset)
{
  const char* pathComp = record().pathComp.get();
  PLAT_ASSERT(emptyIfUnset || pathComp);
  return pathComp ? pathComp : "";
}

const char* AppInfo::getGroup(bool emptyIfUnset)
{
  const char* group = record().group.get();
  PLAT_ASSERT(emptyIfUnset || group);
  return group ? group : "";
}

const char* AppInfo::getDisplayName(bool emptyIfUnset)
{
  Record& r = record();
  if (!r.displayNameKey.isNull()) {
    const char* t = plat::translate(r.displayNameKey.get(), nullptr);
    return t ? t : "Missing translation";
  }
  if (!r.displayName.isNull())
    return r.displayName.get();
  return getApp(emptyIfUnset);
}

plat::String AppInfo::userTmpDir(const char* uidText)
{
  if (uidText)
    return plat::String::format("%s/.%s-%s", TmpRoot, getPathComp(false),
                                uidText);
  plat::String dir = plat::String::format(
      "%s/.%s-%u", TmpRoot, getPathComp(false), unsigned(geteuid()));
  plat::mkDir(dir.get(), true, true);
  return dir;
}

plat::String AppInfo::userIpcPath(const char* name, const char* uidText,
                                  const char* app, int64_t pid, int instance)
{
  plat::DString path;
  path.append(userTmpDir(uidText).get());
  path.append("/");
  path.appendFormat("%s.", app ? app : getApp(false));
  path.append(name);
  if (pid == -1)
    pid = getpid();
  if (instance > 0 || pid != 0) {
    path.appendFormat(".%lld", (long long)pid);
    if (instance >= 0)
      path.appendFormat(".%d", instance);
  }
  return plat::String::adopting(path.release());
}

} // namespace os
