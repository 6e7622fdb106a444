// io::FdLoop is an io::FdManager with the select-based wait that runs it:
// each waitAndProcess() waits until a descriptor of the interest sets is
// ready, the next timer is due or the time limit passes, fills the ready
// lists and dispatches them. Descriptors must be below 1024 (select).
//
// Other threads wake a waiting loop through an io::Kicker registered with
// it.
#pragma once

#include <io/FdManager.h>

namespace io {

class FdLoop : public FdManager {
public:
  FdLoop() {}

  // One round: waits at most maxWaitMs milliseconds (-1: no limit), and
  // not at all while a ready list is non-empty, then processEvents().
  // Throws plat::SystemException "select" when the wait fails (error 24,
  // EMFILE, for a descriptor of 1024 or more) and whatever a timer or
  // handler lets escape.
  void waitAndProcess(int maxWaitMs = -1);
};

} // namespace io
