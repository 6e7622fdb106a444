#include "JobRun.h"

#include "JobFileSet.h"

#include <plat/Exception.h>

void runJob(int, char**, JobFileSet&)
{
  throw plat::Exception("job run is not built yet");
}
