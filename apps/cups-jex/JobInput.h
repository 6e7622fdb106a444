// The descriptor a job's data is read from: standard input, or a file
// opened read-only (close-on-exec). Only a descriptor it opened is closed.
#pragma once

class JobInput {
public:
  // path null: standard input. Throws plat::SystemExceptionFmt
  // "open(\"<path>\", O_RDONLY)" with the error when the file cannot be
  // opened.
  explicit JobInput(const char* path);
  ~JobInput();
  JobInput(const JobInput&) = delete;
  JobInput& operator=(const JobInput&) = delete;

  int fd() const { return fd_; }
  bool isStdin() const { return fd_ == 0; }

private:
  int fd_;
};
