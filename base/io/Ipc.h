// io::Ipc: holds the one connection of an IPC endpoint and tells its owner
// what happens on it.
//
// The connection (an io::Io) is owned from bind() until it ends. Bound
// event-driven, the Ipc is the connection's io::IoHandler on the thread's
// event loop: readable input and the connection's end (peer gone, read or
// write error, flush time-out) reach the Callback. Bound without the event
// loop, the connection's streams block and nothing is reported; the owner
// reads and writes directly.
//
// The connection ends either way by deleting itself once shut down, so the
// Ipc forgets it as soon as the end is known and never touches it again.
#pragma once

#include <io/Io.h>
#include <io/IoHandler.h>
#include <plat/String.h>

namespace io {

class Ipc : private IoHandler {
public:
  class Callback {
  public:
    virtual ~Callback() {}
    // Input may be readable (event-driven connections only). A
    // rdr::BlockException may escape: it only means "wait for more".
    // Another plat::Exception that escapes is logged by the connection,
    // which then shuts down.
    virtual void ipcReadable(Ipc& ipc) = 0;
    // The connection has ended by itself and is gone; not called for
    // close().
    virtual void ipcClosed(Ipc& ipc) = 0;
  };

  // cb is not owned and must outlive the Ipc.
  explicit Ipc(Callback* cb);
  // Closes a connection still bound, flushing what the output can take
  // without waiting.
  ~Ipc() override;
  Ipc(const Ipc&) = delete;
  Ipc& operator=(const Ipc&) = delete;

  // Takes over io (allocated with new, no handler attached), closing the
  // connection bound before. With eventDriven, attaches to the calling
  // thread's event loop (fatal assertion "fdMgr" when it has none). The
  // name becomes io's name.
  void bind(Io* io, bool eventDriven);
  // Ends the connection: with flush, pending output still goes out (in the
  // background when event-driven, waiting otherwise; a failure to flush is
  // ignored). Does nothing when none is bound. Never throws.
  void close(bool flush);

  bool isConnected() const { return io_ != nullptr; }
  // The bound connection, or null.
  Io* getIo() const { return io_; }
  rdr::InStream* getInStream() const;
  rdr::OutStream* getOutStream() const;

  // The name log lines start with: the connection's name, or as set.
  const char* getName() const { return name_.c_str(); }
  void setName(const char* name) { name_ = name; }

private:
  // IoHandler
  void readable(Io& io) override;
  void shutdownComplete(Io& io) override;

  Callback* cb_;
  Io* io_;
  bool eventDriven_;
  plat::String name_;
};

} // namespace io
