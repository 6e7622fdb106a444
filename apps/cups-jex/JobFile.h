// One file the job writes in its directory (JobFileSet), as an output
// stream whose every failure is an exception naming the file: a page or
// manifest that did not reach the disk in full must fail the job.
#pragma once

#include <plat/String.h>
#include <rdr/BufferedOutStream.h>

class JobFileSet;

class JobFile : public rdr::BufferedOutStream {
public:
  // Registers and creates name in files' directory.
  JobFile(JobFileSet& files, const char* name);
  // Closes the descriptor if finish() did not; the bytes still buffered
  // are dropped (the run is failing, and the file goes with it).
  ~JobFile() override;

  // Writes what is buffered and closes the file. Throws
  // plat::SystemExceptionFmt "write(<path>)" / "close(<path>)".
  void finish();

  // The absolute path, as the manifest lists it.
  const plat::String& path() const { return path_; }

protected:
  size_t writeBuffer(const uint8_t* data, size_t len, bool wait) override;

private:
  plat::String path_;
  int fd_;
};
