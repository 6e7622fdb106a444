// The process-wide identity of the application, and the per-user paths
// derived from it.
//
// Two cooperating processes (the print backend and the receiving user's
// session agent) compute the same temporary directory and IPC endpoint
// paths from the same identity. The record is set once at start-up, before
// other threads exist, and only read afterwards; it has no lock. Texts are
// copied; the accessors return pointers into the record, valid until the
// field is set again.
#pragma once

#include <plat/String.h>

#include <cstdint>

namespace os {

class AppInfo {
public:
  // Sets all five fields (null clears a field). app must not be null
  // (fatal assertion).
  static void set(const char* app, const char* company, const char* pathComp,
                  const char* displayNameKey, const char* displayName);
  // Sets only the application name; must not be null (fatal assertion).
  static void setApp(const char* a);
  // Sets the application group; must not be null (fatal assertion).
  static void setGroup(const char* g);
  // Sets the plain display name and clears the display-name key.
  static void setDisplayName(const char* name);

  // The field's text. An unset field gives "" when emptyIfUnset is true and
  // is a fatal assertion otherwise.
  static const char* getApp(bool emptyIfUnset = false);
  static const char* getCompany(bool emptyIfUnset = false);
  static const char* getPathComp(bool emptyIfUnset = false);
  static const char* getGroup(bool emptyIfUnset = false);
  // The translated display-name key when one is set, else the plain display
  // name when set, else as getApp().
  static const char* getDisplayName(bool emptyIfUnset = false);

  // "/tmp/.<pathComp>-<uid>". With uidText the path is only formed. Without
  // it the effective uid is used and the directory is created (0700) or,
  // when it exists, made private; failure throws plat::SystemExceptionFmt
  // "mkDir(<path>)".
  static plat::String userTmpDir(const char* uidText = nullptr);

  // The path of an IPC endpoint: userTmpDir(uidText) + "/" + app (or
  // getApp() when app is null) + "." + name, then ".<pid>" when instance > 0
  // or pid != 0, and after that ".<instance>" when instance >= 0. A pid of
  // -1 stands for this process's pid. Creates the directory as
  // userTmpDir() does.
  static plat::String userIpcPath(const char* name, const char* uidText,
                                  const char* app, int64_t pid, int instance);
};

} // namespace os
