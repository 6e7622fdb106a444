// io::FdIo is the connection over one descriptor: it owns the descriptor
// (unless told otherwise) and a pair of descriptor streams over it, and
// carries the connection's name and transport properties.
//
// Used directly, without a handler, it is a plain blocking connection: the
// output stream's flush() waits until the peer has taken everything (up to
// the stream's write time-out), and the owner destroys the object.
//
// With an io::IoHandler attached it takes part in the thread's event loop
// (io::FdManager): the input stream becomes non-blocking and the handler is
// told when input is readable; output is flushed lazily, in the background,
// whenever the peer can take more, and a peer that takes nothing for
// LazyFlushTimeout seconds is given up on. shutdown() ends the connection in
// an orderly way and deletes the object when done.
#pragma once

#include <io/FdHandler.h>
#include <io/Io.h>
#include <plat/ConfigParameter.h>
#include <plat/String.h>
#include <plat/Timer.h>
#include <rdr/FdInStream.h>
#include <rdr/FdOutStream.h>

#include <set>

namespace io {

class FdManager;

class FdIo : public Io,
             private plat::Timer::Callback,
             private rdr::FdOutStream::Callback,
             private FdHandler {
public:
  // Seconds for which a blocked peer is given to take pending output
  // before the connection is treated as dead.
  static plat::IntParameter lazyFlushTimeout;

  // With fd >= 0 installs it as setFd does; with fd < 0 the object starts
  // without a descriptor. mgr (not owned) may be null: the thread's current
  // manager is then taken when a handler is first attached. inBufSize < 0
  // and outMaxSize < 0 select the streams' defaults. Throws "setBlocking".
  explicit FdIo(int fd = -1, bool own = true, FdManager* mgr = nullptr,
                int inBufSize = -1, int outMaxSize = -1,
                bool nonBlocking = true);
  // Detaches the handler, destroys the streams (the output stream makes one
  // last non-waiting flush attempt), stops the timers and closes an owned
  // descriptor.
  ~FdIo() override;

  // Installs fd; a descriptor must not be set yet (fatal assertion). With
  // own, the object closes fd when destroyed, also when this throws. With
  // nonBlocking the descriptor is switched to non-blocking mode (the
  // streams still wait where their blocking rules say so). Throws
  // "setBlocking".
  void setFd(int fd, bool own = true, int inBufSize = -1, int outMaxSize = -1,
             bool nonBlocking = true);
  int getFd() const override { return fd_; }

  rdr::InStream& getInStream() override;
  rdr::OutStream& getOutStream() override;
  // The typed streams; a descriptor must be set.
  rdr::FdInStream& getFdInStream();
  rdr::FdOutStream& getFdOutStream();

  const char* getName() const override { return name_.c_str(); }
  // Replaces the name ("<fd%d>" by default).
  void setName(const char* name) { name_ = name; }
  const char* getPeerName() override { return ""; }

  bool hasProperty(const char* property) const override;
  // Adds a transport property; at most 255 (fatal assertion).
  void addProperty(const char* property);

  // See io::Io. Registers with the manager (taking the thread's current one
  // on first use: fatal assertion "fdMgr" when there is none) or, with a
  // null handler, unregisters. Switches output to lazy flushing while a
  // handler is attached; a failure of the flush this starts is logged.
  // Detaching while shutting down only releases the handler: it is not
  // told of the end, and the drain goes on.
  void setHandler(IoHandler* handler, bool readInterest = true) override;
  IoHandler* getHandler() const { return handler_; }

  // See io::Io. Without a manager (no handler ever attached), tellHandler
  // must be false (fatal assertion) and the object is deleted at once.
  // Otherwise it stops reading and deletes itself from the event loop once
  // the output is drained (with flush; given up after LazyFlushTimeout) or
  // on the next dispatch (without).
  void shutdown(bool flush, bool tellHandler) override;
  bool isShuttingDown() const { return state_ == ShuttingDown; }

private:
  enum State { Open, ShuttingDown };

  // plat::Timer::Callback
  bool timerCallback(plat::Timer* timer) override;
  // rdr::FdOutStream::Callback
  void writeAttempted(rdr::FdOutStream* stream, bool blocked) override;
  void shutdownRequested(rdr::FdOutStream* stream) override;
  // FdHandler
  void readable() override;
  void writable() override;
  void managerDestroyed() override;

  void updateInterests();
  void startFlushTimer();
  // Destroys the streams and closes an owned descriptor.
  void releaseFd();

  rdr::FdInStream* in_;
  rdr::FdOutStream* out_;
  std::set<plat::String> properties_;
  int fd_;
  bool ownFd_;
  FdManager* mgr_;
  plat::String name_;
  IoHandler* handler_;
  plat::Timer flushTimer_;
  plat::Timer shutdownTimer_;
  bool readInterest_;
  bool writeInterest_;
  bool tellHandler_;
  State state_;
};

} // namespace io
