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
// Values are written as they are (no escaping); every line ends in "\n".
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

// Creates (or truncates) path and writes the text in one piece. Throws what
// the file stream throws.
void writeManifest(const char* path, const plat::DString& text);

} // namespace cupsraster
