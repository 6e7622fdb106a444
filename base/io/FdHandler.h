// io::FdHandler is an io::FdManager's view of a registered descriptor: the
// manager waits on getFd() according to the handler's interests and calls
// the notification of each readiness it finds.
#pragma once

namespace io {

class FdHandler {
public:
  virtual ~FdHandler() {}

  // The descriptor is readable (or at end of file / in error).
  virtual void readable() = 0;
  // The descriptor is writable.
  virtual void writable() = 0;
  // The descriptor has an exceptional condition (select's third set, such
  // as out-of-band data). Most handlers never ask for it.
  virtual void exceptional() {}
  // The manager is being destroyed while this handler is still registered;
  // it is no longer registered when this is called. The handler must not use
  // the manager any more and may delete itself.
  virtual void managerDestroyed() = 0;

  // The descriptor to wait on; below 1024, since the loop uses select.
  virtual int getFd() const = 0;
};

} // namespace io
