// plat::applyConfigFile: settings from a "Name=value" file.
//
// For programs that get no command line (a CUPS backend) or want settings
// that outlive one (a session agent). The file holds one setting per line,
// "Name=value", with blanks around the name and the value ignored; empty
// lines and lines whose first non-blank character is '#' are skipped. Each
// setting goes through Configuration::set at the given priority, so a
// command line parsed afterwards (priority 10) wins over a file applied at
// a lower one.
//
// The file is trusted only when it is a regular file owned by `owner` (or
// by root) that neither group nor others may write; it is opened with
// O_NOFOLLOW, so a link is refused. Lines are at most 4095 bytes.
#pragma once

#include <sys/types.h>

namespace plat {

class Configuration;

// Returns false when there is no file at path (ENOENT); true when every
// line was applied. Throws plat::Exception, leaving earlier lines applied:
//   "<path>: not a regular file" / "<path>: owned by uid <n>" /
//   "<path>: writable by group or others"         the file is not trusted
//   "<path>:<line>: expected Name=value"           a line without '='
//   "<path>:<line>: unknown setting \"<name>\""    no such parameter
//   "<path>:<line>: bad value for <name>"          the value was refused
// and plat::SystemExceptionFmt "open(<path>)" / "read(<path>)" when the
// file cannot be read.
bool applyConfigFile(const char* path, uid_t owner, int priority,
                     Configuration& conf);

} // namespace plat
