// Helpers for event-loop tests: a monotonic clock the test moves by hand, an
// I/O handler that records what happened, and an FdIo that reports its own
// deletion.
#pragma once

#include <io/FdIo.h>
#include <io/IoHandler.h>
#include <plat/DString.h>
#include <plat/Exception.h>
#include <plat/time.h>
#include <rdr/InStream.h>

#include <string>
#include <vector>

namespace testutil {

// Installed for its lifetime; never reports a jump.
class ManualClock : public plat::MonotonicClock {
public:
  ManualClock() : now_(plat::monotonicNow()) { plat::setMonotonicClock(this); }
  ~ManualClock() override { plat::setMonotonicClock(nullptr); }
  int64_t now(int64_t, bool* jumped) override
  {
    *jumped = false;
    return now_;
  }
  void advanceMs(int64_t ms) { now_ += ms * plat::TimeUnitsPerMs; }

private:
  int64_t now_;
};

// Collects every byte that arrives, or, in message mode, whole
// length-prefixed strings (readString32), leaving partial ones to the
// would-block protocol of the streams.
class RecordingHandler : public io::IoHandler {
public:
  explicit RecordingHandler(bool messages = false) : messages_(messages) {}

  void readable(io::Io& io) override
  {
    readCalls++;
    rdr::InStream& in = io.getInStream();
    if (messages_) {
      for (;;) {
        in.setCheckpoint();
        if (!in.check(false, 1))
          return;
        plat::DString s;
        in.readString32(s, 1 << 20);
        received.push_back(s.c_str());
      }
    }
    for (;;) {
      in.setCheckpoint();
      if (!in.check(false, 1))
        return;
      bytes.append(reinterpret_cast<const char*>(in.getPtr()), in.nUnread());
      in.setPtr(in.getEnd());
    }
  }

  void shutdownComplete(io::Io& io) override
  {
    (void)io;
    shutdowns++;
  }

  int readCalls = 0;
  int shutdowns = 0;
  std::string bytes;
  std::vector<std::string> received;

private:
  bool messages_;
};

class TrackedIo : public io::FdIo {
public:
  TrackedIo(int fd, bool* deleted) : io::FdIo(fd, true), deleted_(deleted)
  {
    *deleted_ = false;
  }
  ~TrackedIo() override { *deleted_ = true; }

private:
  bool* deleted_;
};

} // namespace testutil
