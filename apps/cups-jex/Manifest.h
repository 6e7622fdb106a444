// The INI manifest that tells the session agent what a job is and which
// files belong to it:
//
//   [Document]
//   Name=<job title>
//   [Device]
//   DeviceName=<CUPS queue>
//   [<format>]
//   Count=<n>
//   File0=<path>
//   ...
//
// Every line ends in "\n". The title and the queue come from outside: a
// control character in them becomes a space, so they cannot start a line of
// their own, and the title is cut at 255 bytes (whole UTF-8 characters).
#pragma once

#include <plat/DString.h>
#include <plat/String.h>

#include <vector>

namespace cupsraster {

// Builds the manifest text. A null title or queue is rendered as the C
// library renders a null string, so a missing PRINTER still gives a line.
plat::DString buildManifest(const char* title, const char* queue,
                            const char* format,
                            const std::vector<plat::String>& files);

} // namespace cupsraster
