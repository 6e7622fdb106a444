// rdr::FdInStream: a buffered input stream reading from a descriptor such as
// a socket or a pipe.
//
// In blocking mode (the default) a refill that finds no data waits with
// select, without limit unless a timeout is set; in non-blocking mode
// (setNonBlocking(true), used by the event loop) it returns at once and the
// stream goes back to its checkpoint (see InStream::check).
//
// Refills throw EndOfStream "End of IO stream" at the end of the data,
// plat::SystemException "read" or "select" on errors (select cannot watch a
// descriptor of 1024 or more: EMFILE), and plat::TimedOut when the wait
// timed out or the stream was marked as timed out.
#pragma once

#include <rdr/BufferedInStream.h>

namespace rdr {

class FdInStream : public BufferedNonBlockableInStream {
public:
  // Reads fd, which the stream does not own (see setOwnFd). bufSize < 0
  // means 16800 bytes.
  explicit FdInStream(int fd, int bufSize = -1);
  // Takes over everything, leaving other with descriptor -1.
  FdInStream(FdInStream&& other) noexcept;
  // Closes the descriptor when owned.
  ~FdInStream() override;

  int getFd() const { return fd; }
  // Whether the destructor closes the descriptor.
  void setOwnFd(bool own) { ownFd = own; }
  // Longest wait for data in blocking mode, in milliseconds; -1 (the
  // default) waits without limit.
  void setTimeout(int ms) { timeoutMs = ms; }
  // Makes every later refill fail with plat::TimedOut.
  void setTimedOut() { timedOut = true; }
  bool hasTimedOut() const { return timedOut; }

protected:
  size_t fillBuffer(uint8_t* dest, size_t maxLen) override;

private:
  int timeoutMs;
  int fd;
  bool ownFd;
  bool timedOut;
};

} // namespace rdr
