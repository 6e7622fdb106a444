// agent::Delivery: turns a taken-in job into files in the user's output
// folder, one new folder per job named from the time it was printed and
// its title:
//   raster jobs   page-1.png ... (pixel-exact, physical size as pixels per
//                 metre) and <title>.pdf with one image page per page
//   PDF, PS jobs  <title>.pdf / <title>.ps, byte for byte
// A job that cannot be delivered is kept whole (manifest and spool files)
// in a folder of the "failed" sub-folder instead. The spool files are
// removed only once the job is kept in one of the two places.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace agent {

class SpoolDir;
class SpoolJob;

class Delivery {
public:
  // outputDir is created when missing. onJob: see AgentParams.h.
  Delivery(const SpoolDir& spool, const std::string& outputDir,
           const std::string& onJob);

  // Delivers job; returns the folder it went to, or "" when it failed
  // (then it is in "failed", or, when even that failed, its spool files
  // stay). Everything is logged. Never throws.
  std::string deliver(const SpoolJob& job);

  // Printouts in the documents folder that the XDG user-dirs file of the
  // home directory names, else ~/Printouts.
  static std::string defaultOutputDir();
  // "YYYY-MM-DD HH.MM.SS <title>" in local time, the title made safe as a
  // file name: no '/', no control characters, no leading '.', at most 100
  // bytes cut on a UTF-8 character boundary.
  static std::string folderName(time_t printed, const std::string& title);
  // The title made safe as above, "job" when nothing is left.
  static std::string safeName(const std::string& title);

private:
  void deliverInto(int folderFd, const SpoolJob& job,
                   std::vector<std::string>& made);
  std::string keepFailed(const SpoolJob& job, const std::string& folder);
  void runOnJob(const std::string& folder);

  const SpoolDir& spool_;
  std::string outputDir_;
  std::vector<std::string> onJob_;
};

} // namespace agent
