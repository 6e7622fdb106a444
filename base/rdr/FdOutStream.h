// rdr::FdOutStream: a buffered output stream writing to a descriptor such as
// a socket or a pipe.
//
// The buffer starts at 16384 bytes and grows up to a maximum (by default
// MaxOutBufferSize) while the peer is slow. A write that must wait for the
// descriptor waits with select for at most 30 s and then throws
// plat::TimedOut "Timed out". Write errors throw plat::SystemException
// "write" while doesThrowErrors(); otherwise they are logged on the
// "FdOutStream" log source and the bytes stay pending. A stream that does not
// throw errors must not be asked to wait (a fatal assertion).
//
// The descriptor object that drives the stream from an event loop
// implements Callback to learn when writes block and when a shutdown was
// asked for.
#pragma once

#include <rdr/BufferedOutStream.h>

namespace rdr {

class FdOutStream : public BufferedLazyOutStream {
public:
  class Callback {
  public:
    // Made after every write attempt that did not fail; blocked is true
    // when nothing could be written.
    virtual void writeAttempted(FdOutStream* stream, bool blocked) = 0;
    // Made by shutdownWrite().
    virtual void shutdownRequested(FdOutStream* stream) = 0;
    virtual ~Callback();
  };

  // Writes to fd, which the stream does not own (see setOwnFd); the buffer
  // grows up to maxSize (< 0: MaxOutBufferSize).
  explicit FdOutStream(int fd, int maxSize = -1);
  // Tries to hand pending bytes over without waiting (failures are
  // swallowed and the bytes lost), then closes the descriptor when owned.
  ~FdOutStream() override;

  int getFd() const { return fd; }
  void setOwnFd(bool own) { ownFd = own; }
  // The callback is not owned; null removes it.
  void setCallback(Callback* cb) { callback = cb; }

  // Shuts down the writing side of the descriptor when nothing is pending
  // (plat::SystemException "shutdown(SHUT_WR)" on failure), then tells the
  // callback either way. Returns true.
  bool shutdownWrite() override;

protected:
  size_t writeBuffer(const uint8_t* data, size_t len, bool wait) override;

private:
  int fd;
  bool ownFd;
  Callback* callback;
};

} // namespace rdr
