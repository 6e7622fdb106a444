// Framed input (rdr::InStreamV4) against a plain decoding of the frame
// format: typed reads and whole-message copies, with the data arriving all
// at once or a few bytes at a time through a non-blocking source.
#include "../FuzzCheck.h"
#include "../FuzzInput.h"
#include "../FuzzTargets.h"

#include "../../base/rdr/tests/ChunkInStream.h"

#include <plat/DString.h>
#include <plat/Exception.h>
#include <rdr/BufferedInStream.h>
#include <rdr/Exception.h>
#include <rdr/FramedInStream.h>
#include <rdr/MemOutStream.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace jexfuzz {

namespace {

typedef std::vector<uint8_t> Bytes;

struct RefMsg {
  Bytes payload;
  bool complete;
};

// Messages as the frame format defines them: 2-byte big-endian headers, top
// bit marking the last frame, 15 bits of payload length. Decoding stops
// after the first incomplete message.
std::vector<RefMsg> reference(const Bytes& d)
{
  std::vector<RefMsg> msgs;
  size_t i = 0;
  while (i < d.size() && (msgs.empty() || msgs.back().complete)) {
    RefMsg m{{}, false};
    while (!m.complete && d.size() - i >= 2) {
      size_t len = size_t((d[i] & 0x7f) << 8 | d[i + 1]);
      bool last = d[i] & 0x80;
      i += 2;
      size_t have = std::min(len, d.size() - i);
      m.payload.insert(m.payload.end(), d.data() + i, d.data() + i + have);
      i += have;
      if (have < len)
        break;
      m.complete = last;
    }
    msgs.push_back(m);
  }
  return msgs;
}

// A fixed pseudo-random choice of reads, seeded by the input.
typedef std::minstd_rand Ops;

// Reads the rest of a message of `left` bytes with typed reads; appends what
// was read.
void typedReads(rdr::InStream& in, size_t left, Ops& ops, Bytes& got)
{
  while (left > 0) {
    int op = int(ops() % 5);
    if (op < 3 || left < 4) {
      // A 1, 2 or 4-byte big-endian read that fits what is left.
      size_t n = op == 0 || left < 2 ? 1 : op == 1 || left < 4 ? 2 : 4;
      uint32_t v = n == 1 ? in.readU8() : n == 2 ? in.readU16() : in.readU32();
      for (size_t i = n; i-- > 0;)
        got.push_back(uint8_t(v >> (8 * i)));
      left -= n;
    } else {
      size_t n = std::min(left, size_t(ops() % 70000 + 1));
      size_t at = got.size();
      got.resize(at + n);
      in.readBytes(got.data() + at, n);
      left -= n;
    }
  }
}

void blockingReads(const Bytes& data, const std::vector<RefMsg>& ref,
                   size_t chunk, int bufSize, Ops ops)
{
  rdrtest::ChunkInStream under(data, chunk, bufSize);
  rdr::InStreamV4 in(&under);
  for (const RefMsg& m : ref) {
    Bytes got;
    try {
      in.startMsg();
      typedReads(in, m.payload.size(), ops, got);
      FUZZ_CHECK(in.pos() == int(m.payload.size()));
      try { // one more byte is past the message
        in.readU8();
        FUZZ_CHECK(!"read past the end of a message");
      } catch (rdr::EndOfMsg&) {
      }
      in.endMsg();
    } catch (rdr::EndOfStream&) {
      FUZZ_CHECK(!m.complete);
      return;
    }
    FUZZ_CHECK(m.complete);
    FUZZ_CHECK(got == m.payload);
  }
}

// Non-blocking: whole messages are copied out while the data trickles in;
// every BlockException lets a few more bytes arrive.
void trickleCopies(const Bytes& data, const std::vector<RefMsg>& ref,
                   size_t chunk, int bufSize, size_t step, Ops ops, bool typed)
{
  rdrtest::ChunkInStream under(data, chunk, bufSize);
  under.setNonBlocking(true);
  under.setAvailable(step);
  rdr::InStreamV4 in(&under);
  auto arrive = [&] {
    FUZZ_CHECK(!under.allArrived()); // blocked with everything there
    under.setAvailable(under.available() + step);
  };
  for (const RefMsg& m : ref) {
    if (!m.complete)
      return;
    rdr::MemOutStream copy;
    Bytes got;
    for (;;) {
      try {
        if (!in.startMsg(false)) {
          arrive();
          continue;
        }
        if (typed) {
          got.clear();
          typedReads(in, m.payload.size(), ops, got);
        } else {
          in.copyMsgTo(&copy);
        }
        in.endMsg();
        break;
      } catch (rdr::BlockException&) {
        arrive();
      }
    }
    if (!typed)
      got.assign(copy.data(), copy.data() + copy.length());
    FUZZ_CHECK(got == m.payload);
  }
}

// The text readers inside messages; only their own refusals may come out.
void textReads(const Bytes& data, int bufSize, FuzzInput& in)
{
  rdrtest::ChunkInStream under(data, data.size() + 1, bufSize);
  rdr::InStreamV4 framed(&under);
  int maxLen = in.range(0, 300);
  try {
    for (int msgs = 0; msgs < 64; msgs++) {
      framed.startMsg();
      try {
        for (;;) {
          plat::DString s;
          bool nul = false;
          switch (in.byte() % 4) {
          case 0:
            framed.readLine(s, maxLen, &nul, in.flag());
            FUZZ_CHECK(!strchr(s.c_str(), '\n'));
            break;
          case 1: framed.readString8(s, in.flag()); break;
          case 2: framed.readString32(s, uint32_t(maxLen), in.flag()); break;
          default: framed.skip(in.range(-1, 40));
          }
        }
      } catch (rdr::EndOfMsg&) {
      } catch (rdr::StringTooLongException&) {
      }
      framed.skipMsg();
      framed.endMsg();
    }
  } catch (rdr::EndOfStream&) {
  }
}

} // namespace

int fuzz_framedIn(const uint8_t* data, size_t size)
{
  FuzzInput in(data, size);
  int mode = in.byte() % 4;
  size_t chunk = size_t(in.range(1, 64));
  int bufSize = in.flag() ? -1 : in.range(4, 300);
  size_t step = size_t(in.range(1, 40));
  Ops ops{in.u32()};
  size_t textLen = in.byte();
  size_t got;
  const uint8_t* p =
      in.take(in.remaining() - std::min(textLen, in.remaining()), &got);
  Bytes stream(p, p + got);
  std::vector<RefMsg> ref = reference(stream);

  try {
    if (mode == 0)
      blockingReads(stream, ref, chunk, bufSize, ops);
    else if (mode == 1)
      trickleCopies(stream, ref, chunk, bufSize, step, ops, false);
    else if (mode == 2)
      trickleCopies(stream, ref, chunk, bufSize, step, ops, true);
    else
      textReads(stream, bufSize, in);
  } catch (plat::Exception& e) {
    // The only refusal left: an item larger than the buffer can hold.
    FUZZ_CHECK(strcmp(e.message(), "InStream overrun: buffer size exceeded") ==
               0);
  }
  return 0;
}

} // namespace jexfuzz
