// Conversion of a CUPS raster job into ZRLE page files.
#pragma once

#include <plat/String.h>

#include <vector>

class JobFileSet;

namespace cupsraster {

// Reads the raster stream on fd (named inputName in messages) and writes
// one page file "jex-<jobId>-<n>.zrle" per page, n from 0, in the job's
// directory, appending each file's absolute path to pages once it is
// complete. Every page file is registered in files before it is created.
// Throws JobError (StatusCancelJob) for a stream that cannot be read or
// holds a page it cannot convert, and the write errors of JobFile.
void convertRasterJob(int fd, const char* inputName, JobFileSet& files,
                      const char* jobId, std::vector<plat::String>& pages);

} // namespace cupsraster
