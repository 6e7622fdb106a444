// io::IoAcceptor: what takes over a connection once it exists. A listener
// hands each connection it accepted (and has checked) to one; a client
// hands it the connection it made.
#pragma once

namespace io {

class Io;

class IoAcceptor {
public:
  virtual ~IoAcceptor() {}

  // Takes ownership of io, which was allocated with new and has no handler
  // attached. Whatever the acceptor was connected to before is closed.
  virtual void acceptIo(Io* io) = 0;
};

} // namespace io
