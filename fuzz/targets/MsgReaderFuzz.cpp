// io::MsgIpc reading a peer's messages, whole and blocking (readMessage)
// or trickling in through the event-driven path: the reader gets the
// bodies of the messages sent, unchanged and in order; a bad name ends as
// the flags say; nothing but the promised refusals comes out.
#include "../../base/io/tests/MemIo.h"
#include "../FuzzCheck.h"
#include "../FuzzInput.h"
#include "../FuzzTargets.h"

namespace jexfuzz {

int fuzz_msgReader(const uint8_t* data, size_t size)
{
  FuzzInput in(data, size);
  int flags = in.byte() & 7;
  bool eventDriven = in.flag(), catchAll = in.flag();
  int bufSize = in.flag() ? -1 : in.range(16, 600);
  size_t step = size_t(in.range(1, 64));
  testutil::Recorder rec;
  rec.returnFalse = in.flag();
  std::string d = in.flag() // a 64 KiB message for nobody first
                      ? "\x7f\xff" + std::string(32767, 'B') + "\x7f\xff" +
                            std::string(32767, 'b') + "\x80\x02" + "bb"
                      : "";
  d += in.rest();
  testutil::MemIo io(d, eventDriven ? 0 : d.size(), bufSize);
  {
    io::MsgIpc ipc(flags, &io, eventDriven);
    ipc.setReader(catchAll ? nullptr : "A", &rec);
    for (size_t n = 0; n <= d.size() + 2 && !io.closed; n++) {
      try {
        // Each arrival re-reads the waiting message: not too many of them.
        io.arrive(std::max(step, d.size() / 128));
        if (!eventDriven)
          ipc.readMessage();
      } catch (const rdr::EndOfStream&) {
        break;
      } catch (const plat::Exception&) {
      }
    }
    // Only a control name without a reply drops the connection by itself.
    FUZZ_CHECK(!io.closed || io.told ||
               (flags & 6) == io::MsgIpc::CloseOnBadControlName);
  }
  FUZZ_CHECK(io.out.length() == 0 || (flags & io::MsgIpc::ReplyBadName));

  // The messages for the reader, by the frame format. Failures may skip
  // some (blocking) or end the reading (event-driven); with every message
  // well-formed, for the reader and within the input buffer, none is lost.
  std::vector<std::string> expected;
  bool simple = int(d.size()) <= (bufSize < 0 ? 16800 : bufSize);
  std::string p;
  for (size_t i = 0; i + 2 <= d.size();) {
    size_t word = uint8_t(d[i]) << 8 | uint8_t(d[i + 1]), len = word & 0x7fff;
    if (d.size() - i - 2 < len)
      break;
    p += d.substr(i + 2, len);
    i += 2 + len;
    if (!(word & 0x8000))
      continue;
    size_t n = p.empty() ? 0 : uint8_t(p[0]);
    bool forReader = n + 1 <= p.size() && (catchAll || p.substr(0, 2) == "\1A");
    simple = simple && forReader;
    if (forReader)
      expected.push_back(p.substr(1 + n));
    p.clear();
  }
  size_t j = 0;
  for (size_t i = 0; i < expected.size() && j < rec.got.size(); i++)
    j += rec.got[j] == expected[i];
  FUZZ_CHECK(j == rec.got.size());
  FUZZ_CHECK(!eventDriven ||
             std::equal(rec.got.begin(), rec.got.end(), expected.begin()));
  FUZZ_CHECK(!simple || rec.got == expected);
  return 0;
}

} // namespace jexfuzz
