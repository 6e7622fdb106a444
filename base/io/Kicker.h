// io::Kicker wakes an event loop from another thread: kick() writes one byte
// into a close-on-exec self-pipe whose read end is registered with the
// loop's manager, so a waiting io::FdLoop returns and the kicker's callback
// runs on the loop's thread.
#pragma once

#include <io/FdHandler.h>

namespace io {

class FdManager;

class Kicker : private FdHandler {
public:
  class Callback {
  public:
    virtual ~Callback() {}
    // Runs on the loop's thread after one or more kick() calls.
    virtual void kicked() = 0;
  };

  // Creates the pipe and registers its read end with mgr (the calling
  // thread's current manager when null; fatal assertion "mgr" when there is
  // none). cb is not owned and may be null. Throws the errors of
  // os::createPipe and "setBlocking".
  explicit Kicker(Callback* cb = nullptr, FdManager* mgr = nullptr);
  // Unregisters from the manager (when it still exists) and closes the
  // pipe. No kick() may run concurrently.
  ~Kicker() override;
  Kicker(const Kicker&) = delete;
  Kicker& operator=(const Kicker&) = delete;

  // Safe from any thread; never blocks or throws. Kicks that arrive before
  // the loop wakes collapse into one callback.
  void kick();

private:
  void readable() override;
  void writable() override {}
  void managerDestroyed() override { mgr_ = nullptr; }
  int getFd() const override { return readFd_; }

  Callback* cb_;
  FdManager* mgr_;
  int readFd_;
  int writeFd_;
};

} // namespace io
