// Test doubles for message channels: a connection over memory whose input
// arrives as the test says, driven the way the event loop drives a real
// connection, and a reader that records the bodies it gets.
#pragma once

#include "../../rdr/tests/TestStreams.h"

#include <io/Io.h>
#include <io/IoHandler.h>
#include <io/MsgIpc.h>
#include <rdr/MemOutStream.h>

#include <utility>

namespace testutil {

// One framed message: a single last frame holding the name and the body.
inline std::string msg(const std::string& name, const std::string& body = "")
{
  size_t n = 1 + name.size() + body.size();
  return std::string{char(0x80 | n >> 8), char(n), char(name.size())} + name +
         body;
}

// A connection over memory whose peer sends `data`, of which `arrived`
// bytes are there at first; reading past all of it ends the stream. Unlike
// a real connection it never deletes itself: the test owns it, and it must
// outlive the channel bound to it.
class MemIo : public io::Io {
public:
  MemIo(const std::string& data, size_t arrived, int bufSize = -1)
      : in({data.begin(), data.end()}, data.size(), bufSize), arrived_(arrived)
  {
    in.setAvailable(arrived);
  }
  rdr::InStream& getInStream() override { return in; }
  rdr::OutStream& getOutStream() override { return out; }
  const char* getName() const override { return "<mem>"; }
  const char* getPeerName() override { return ""; }
  bool hasProperty(const char*) const override { return false; }
  void setHandler(io::IoHandler* h, bool) override
  {
    handler = h;
    in.setNonBlocking(h != nullptr);
  }
  void shutdown(bool, bool tell) override
  {
    closed = true;
    told = told || tell;
  }

  // n more bytes arrive and the handler runs as the event loop runs it: a
  // would-block waits, another error shuts down, and the handler hears of
  // the shutdown.
  void arrive(size_t n)
  {
    in.setAvailable(arrived_ += n);
    try {
      if (handler && !closed)
        handler->readable(*this);
    } catch (const rdr::BlockException&) {
    } catch (const plat::Exception&) {
      shutdown(false, true);
    }
    if (closed && told && handler)
      std::exchange(handler, nullptr)->shutdownComplete(*this);
  }
  std::string sent() const { return {(const char*)out.data(), out.length()}; }

  rdrtest::ChunkInStream in;
  rdr::MemOutStream out{1 << 17}; // large: every message one frame
  io::IoHandler* handler = nullptr;
  bool closed = false, told = false;

private:
  size_t arrived_;
};

// Records the body of each message. With returnFalse it answers false
// where a read would block, rather than letting the exception out.
class Recorder : public io::MsgIpc::Reader {
public:
  bool readMsg(const char*, rdr::InStream& in, io::MsgIpc&) override
  {
    std::string body;
    try {
      while (!in.atEnd())
        body += char(in.readU8());
    } catch (const rdr::BlockException&) {
      if (!returnFalse)
        throw;
      return false;
    }
    got.push_back(body);
    return true;
  }

  std::vector<std::string> got;
  bool returnFalse = false;
};

} // namespace testutil
