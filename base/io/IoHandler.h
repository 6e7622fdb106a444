// What the owner of a connection attaches to it to take part in
// event-driven operation: the connection calls it when input is readable
// and when an orderly shutdown has completed.
#pragma once

namespace io {

class Io;

class IoHandler {
public:
  virtual ~IoHandler() {}

  // Input may be readable on io. The input stream is non-blocking while a
  // handler is attached: the handler reads what it can, setting checkpoints
  // at message starts; a rdr::BlockException it lets escape means "wait for
  // more data" and is not an error. Any other plat::Exception that escapes
  // (rdr::EndOfStream when the peer closed, plat::TimedOut once the flush
  // timer gave up) is logged and shuts the connection down.
  virtual void readable(Io& io) = 0;

  // The shutdown of io has completed; io is deleted right after this
  // returns. A plat::Exception thrown here is logged and swallowed.
  virtual void shutdownComplete(Io& io) { (void)io; }
};

} // namespace io
