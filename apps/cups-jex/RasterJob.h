// Conversion of a CUPS raster job into ZRLE page files.
#pragma once

#include <plat/String.h>

#include <vector>

namespace cupsraster {

// Reads the raster stream at inputPath (null or empty: standard input) and
// writes one page file "<basePath>-<n>.zrle" per page, n from 0, appending
// each file's name to pages as soon as it is complete. Stops quietly at a
// page that is not 24-bit RGB (after its message on stderr). Throws
// plat::Exception on failure; page files already written stay on disk for
// the caller to remove.
void convertRasterJob(const char* inputPath, const char* basePath,
                      std::vector<plat::String>& pages);

} // namespace cupsraster
