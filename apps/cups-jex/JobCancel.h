// Cancelling a job: CUPS sends SIGTERM, a user at a terminal SIGINT, a
// closing session SIGHUP.
//
// Waits inside the CUPS imaging library and the stream layers restart
// after a signal, so a flag could not end them. The handler therefore does
// the whole clean-up itself, with async-signal-safe calls only: it removes
// the job's registered files and ends the process by the signal, wherever
// the job was. Code that must not be cut in the middle (changing the
// removal set, the last write of the hand-off together with releasing the
// files) runs inside a CancelBlock.
#pragma once

#include <signal.h>

class JobFileSet;

// Routes SIGTERM, SIGINT and SIGHUP to the handler, which removes the
// files still registered in files, until files is destroyed.
void installCancelHandler(const JobFileSet& files);
// Called by the destructor of files: the handler then removes nothing.
void forgetCancelFiles(const JobFileSet& files);

// Blocks the cancel signals for its lifetime; a signal that arrives
// meanwhile is handled when the block ends. Nests.
class CancelBlock {
public:
  CancelBlock();
  ~CancelBlock();
  CancelBlock(const CancelBlock&) = delete;
  CancelBlock& operator=(const CancelBlock&) = delete;

private:
  sigset_t old_;
};
