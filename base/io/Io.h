// io::Io is the abstract connection: a pair of byte streams to a peer, a
// display name, a set of transport properties, and the operations that let
// an io::IoHandler drive it from an event loop. io::FdIo implements it over
// one descriptor.
#pragma once

namespace rdr {
class InStream;
class OutStream;
} // namespace rdr

namespace io {

class IoHandler;

class Io {
public:
  Io() {}
  virtual ~Io();
  Io(const Io&) = delete;
  Io& operator=(const Io&) = delete;

  // The connection's streams, owned by the connection and valid for its
  // lifetime.
  virtual rdr::InStream& getInStream() = 0;
  virtual rdr::OutStream& getOutStream() = 0;

  // The connection's display name, owned by the connection.
  virtual const char* getName() const = 0;

  // Display text of the peer's address, owned by the connection; empty when
  // it is not known. Never throws.
  virtual const char* getPeerName() = 0;

  // Whether the transport has the named property ("secureTransport").
  virtual bool hasProperty(const char* property) const = 0;

  // Attaches handler (not owned; null detaches) for event-driven operation
  // on the calling thread's event loop. readInterest says whether the
  // handler wants readable notifications. A null handler given after
  // shutdown() only releases the handler, which then is not told of the
  // end.
  virtual void setHandler(IoHandler* handler, bool readInterest = true) = 0;

  // Starts an orderly shutdown, after which the connection deletes itself:
  // with flush, pending output is written first (for at most the lazy flush
  // time-out); with tellHandler, the handler's shutdownComplete runs first.
  // The connection must have been allocated with new. While a handler is
  // attached it is deleted from the event loop, never within this call.
  virtual void shutdown(bool flush, bool tellHandler) = 0;
};

} // namespace io
