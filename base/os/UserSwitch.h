// Switching the process, irreversibly, to another account.
//
// The print backend starts with the identity CUPS gives it and creates the
// job's files as the receiving user. Both operations below end the process
// directly on failure, without unwinding: nothing may run under a half
// switched identity.
#pragma once

#include <sys/types.h>

namespace os {

class PasswdEntry;

// setgid, setgroups with the entry's gid as the only supplementary group,
// setuid, then checkSwitchedIdentity. A failing call is reported with
// perror ("setgid()", "setgroups()", "setuid()") and ends the process with
// _exit(1). Needs privilege unless the entry is the current identity.
void switchToUser(const PasswdEntry& entry);

// Returns when real, effective and saved uid all equal uid and, unless gid
// is (gid_t)-1, real and effective gid equal gid. Otherwise writes
// "Unexpected uid\n" and abort()s, or "Unexpected gid\n" and exit(1)s.
void checkSwitchedIdentity(uid_t uid, gid_t gid);

} // namespace os
