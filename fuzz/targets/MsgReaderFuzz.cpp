// io::MsgIpc reading what a peer sends, whole and blocking (readMessage)
// or trickling in through the event-driven path: the bodies its readers
// get are those of the messages sent, in order; a bad name ends as the
// flags say; replies are well-formed "badMsg" messages.
#include "../FuzzCheck.h"
#include "../FuzzInput.h"
#include "../FuzzTargets.h"

#include <io/Io.h>
#include <io/IoHandler.h>
#include <io/MsgIpc.h>
#include <plat/DString.h>
#include <rdr/BufferedInStream.h>
#include <rdr/FramedInStream.h>
#include <rdr/MemInStream.h>
#include <rdr/MemOutStream.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace jexfuzz {

namespace {

// The peer's bytes, `avail` of them arrived so far; a refill past them
// would block (non-blocking) or cannot happen (blocking: all arrived).
class PeerInStream : public rdr::BufferedNonBlockableInStream {
public:
  PeerInStream(const std::string& data, int bufSize)
      : BufferedNonBlockableInStream(bufSize), data_(data)
  {
  }
  size_t avail = 0;

protected:
  size_t fillBuffer(uint8_t* dest, size_t maxLen) override
  {
    if (next_ == data_.size())
      throw rdr::EndOfStream("End of test stream");
    size_t n = std::min(maxLen, avail - next_);
    memcpy(dest, data_.data() + next_, n);
    next_ += n;
    return n;
  }

private:
  const std::string& data_;
  size_t next_ = 0;
};

// A connection over memory, shut down by the harness as the event loop
// would.
class MemIo : public io::Io {
public:
  MemIo(const std::string& data, int bufSize) : in(data, bufSize) {}
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
    tellHandler = tellHandler || tell;
  }

  PeerInStream in;
  rdr::MemOutStream out;
  io::IoHandler* handler = nullptr;
  bool closed = false, tellHandler = false;
};

class Recorder : public io::MsgIpc::Reader {
public:
  bool readMsg(const char*, rdr::InStream& in, io::MsgIpc&) override
  {
    std::string body;
    try {
      while (!in.atEnd())
        body += char(in.readU8());
    } catch (const rdr::BlockException&) {
      if (returnFalse)
        return false;
      throw;
    }
    got.push_back(body);
    return true;
  }
  std::vector<std::string> got;
  bool returnFalse = false;
};

struct Msg {
  std::string name, body;
  bool valid; // has a whole name
};

// The complete messages of the frame format, each split into name and body.
std::vector<Msg> reference(const std::string& d)
{
  std::vector<Msg> msgs;
  std::string payload;
  for (size_t i = 0; i + 2 <= d.size();) {
    size_t word = uint8_t(d[i]) << 8 | uint8_t(d[i + 1]), len = word & 0x7fff;
    if (d.size() - i - 2 < len)
      break;
    payload += d.substr(i + 2, len);
    i += 2 + len;
    if (!(word & 0x8000))
      continue;
    size_t n = payload.empty() ? 0 : uint8_t(payload[0]);
    bool valid = !payload.empty() && n < payload.size();
    msgs.push_back({valid ? payload.substr(1, n) : "",
                    valid ? payload.substr(1 + n) : "", valid});
    payload.clear();
  }
  return msgs;
}

bool isSubsequence(const std::vector<std::string>& a,
                   const std::vector<std::string>& b)
{
  size_t j = 0;
  for (size_t i = 0; i < b.size() && j < a.size(); i++)
    j += a[j] == b[i];
  return j == a.size();
}

} // namespace

int fuzz_msgReader(const uint8_t* data, size_t size)
{
  FuzzInput in(data, size);
  int flags = in.byte() & 7;
  bool eventDriven = in.flag(), catchAll = in.flag();
  int bufSize = in.flag() ? -1 : in.range(16, 600);
  size_t step = size_t(in.range(1, 64));
  Recorder rec;
  rec.returnFalse = in.flag();
  std::string stream = in.rest();

  auto io = std::make_unique<MemIo>(stream, bufSize);
  io->in.avail = eventDriven ? 0 : stream.size();
  {
    io::MsgIpc ipc(flags, io.get(), eventDriven);
    ipc.setReader(catchAll ? nullptr : "A", &rec);
    for (size_t rounds = 0; rounds <= stream.size() + 2; rounds++) {
      if (io->closed || !ipc.isConnected())
        break;
      try {
        if (!eventDriven) {
          ipc.readMessage();
          continue;
        }
        io->in.avail = std::min(stream.size(), io->in.avail + step);
        io->handler->readable(*io);
      } catch (const rdr::BlockException&) {
      } catch (const rdr::EndOfStream&) {
        break;
      } catch (const plat::Exception&) {
        if (eventDriven) // what the event loop does
          io->shutdown(false, true);
      }
    }
    if (io->closed && io->tellHandler && io->handler)
      io->handler->shutdownComplete(*io);
  }

  std::vector<std::string> expected;
  bool simple = int(stream.size()) <= (bufSize < 0 ? 16800 : bufSize);
  for (const Msg& m : reference(stream)) {
    simple = simple && m.valid && (catchAll || m.name == "A");
    if (m.valid && (catchAll || m.name == "A"))
      expected.push_back(m.body);
  }
  FUZZ_CHECK(isSubsequence(rec.got, expected));
  if (simple)
    FUZZ_CHECK(rec.got == expected);

  // Whatever was written back is whole "badMsg" messages.
  rdr::MemInStream replies(io->out.data(), io->out.length());
  rdr::InStreamV4 framed(&replies);
  while (replies.nUnread() > 0) {
    FUZZ_CHECK(flags & io::MsgIpc::ReplyBadName);
    plat::DString name, reported;
    framed.startMsg();
    framed.readString8(name);
    framed.readString8(reported);
    FUZZ_CHECK(strcmp(name.c_str(), "badMsg") == 0 && framed.atEnd());
    framed.endMsg();
  }
  return 0;
}

} // namespace jexfuzz
