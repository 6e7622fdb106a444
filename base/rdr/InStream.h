// rdr::InStream: the abstract typed input byte stream.
//
// A stream exposes the unread part of its buffer in place as the window
// [ptr, end). Reading an item that fits in the window is an inline pointer
// comparison and copy; only when the window runs short does the virtual
// overrun() refill it, always through check(). All multi-byte integers are
// big-endian.
//
// Non-blocking input uses checkpoints. On a rewindable stream (the default)
// a reader calls setCheckpoint() at the start of each message and parses with
// wait = true; when the source has no more data for now, the stream goes back
// to the checkpoint and throws BlockException, and the reader retries the
// whole message later. The stream keeps every byte from the checkpoint on. On
// a non-rewindable stream check() moves the checkpoint to ptr before every
// refill, so bytes already read may be discarded.
//
// Unless a method says otherwise, reading past the end of the data throws
// the subclass's end exception (EndOfStream, EndOfMsg), and a read on a
// non-blocking source that cannot be completed now throws BlockException
// with ptr at the checkpoint. Reads block only when the subclass blocks.
#pragma once

#include <plat/Assert.h>
#include <rdr/Exception.h>

#include <cstddef>
#include <cstdint>

namespace plat {
class DString;
}

namespace rdr {

class InStream {
public:
  virtual ~InStream();

  // Number of bytes consumed since the stream began.
  virtual int pos() const = 0;
  // Remembers pos() and ptr as the point rewind() returns to.
  virtual void setCheckpoint();
  // Moves ptr back to the checkpoint. Throws plat::Exception on a stream
  // that is not rewindable.
  virtual void rewind();
  // Moves to stream position `position`, which must not lie before the
  // checkpoint (plat::Exception otherwise): rewinds, then skips forward.
  virtual void reposition(int position);
  // Whether the input has ended; the base cannot tell and answers false.
  virtual bool atEnd();

protected:
  // Makes more data readable in place. Returns non-zero when data was made
  // available (possibly fewer than itemSize bytes when the buffer cannot hold
  // more) and 0 when none can be had without blocking; may also signal that
  // by throwing BlockException. Called only through check().
  virtual int overrun(size_t itemSize) = 0;

public:
  // Makes at least one byte readable when it can. Returns non-zero when data
  // is readable and 0 when none can be had without blocking (and wait is
  // false); with wait true that case throws BlockException instead. Either
  // way a rewindable stream is first moved back to its checkpoint.
  int check(bool wait, size_t itemSize);

  size_t nUnread() const { return size_t(end - ptr); }
  const uint8_t* getPtr() const { return ptr; }
  const uint8_t* getEnd() const { return end; }
  // Consumes the window up to p, which must lie within it (fatal assertion).
  void setPtr(const uint8_t* p)
  {
    PLAT_ASSERT(p >= ptr && p <= end);
    ptr = p;
  }
  // Returns the next n bytes of the window and consumes them; they must be
  // there already (fatal assertion). The pointer is valid until the next
  // refill.
  const uint8_t* takeBytes(size_t n)
  {
    PLAT_ASSERT(nUnread() >= n);
    const uint8_t* p = ptr;
    ptr += n;
    return p;
  }

  // Returns whole items of itemSize bytes readable in place and consumes
  // them, lowering *nItems (which must be positive) to the number available.
  // Returns null when not even one item can be had: without blocking (wait
  // false), or because the buffer cannot hold an item.
  const uint8_t* getItems(size_t itemSize, size_t* nItems, bool wait);

  // Returns n contiguous bytes and consumes them: in place when the window
  // holds them (valid until the next refill), otherwise copied into temp,
  // which must hold n bytes.
  const uint8_t* readBytesPtr(uint8_t* temp, size_t n)
  {
    if (nUnread() >= n) {
      const uint8_t* p = ptr;
      ptr += n;
      return p;
    }
    return readBytesPtrSlow(temp, n);
  }
  // Copies the next len bytes into data.
  void readBytes(void* data, size_t len);
  // Discards n bytes; n < 1 does nothing.
  void skip(int64_t n);

  uint8_t readU8()
  {
    if (ptr == end)
      check(true, 1);
    return *ptr++;
  }
  uint16_t readU16()
  {
    const uint8_t* p;
    uint8_t tmp[2];
    if (end - ptr >= 2) {
      p = ptr;
      ptr += 2;
    } else {
      p = readBytesPtrSlow(tmp, 2);
    }
    return uint16_t((p[0] << 8) | p[1]);
  }
  uint32_t readU32()
  {
    const uint8_t* p;
    uint8_t tmp[4];
    if (end - ptr >= 4) {
      p = ptr;
      ptr += 4;
    } else {
      p = readBytesPtrSlow(tmp, 4);
    }
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) |
           (uint32_t(p[2]) << 8) | uint32_t(p[3]);
  }
  int8_t readS8() { return int8_t(readU8()); }
  int16_t readS16() { return int16_t(readU16()); }
  int32_t readS32() { return int32_t(readU32()); }

  // Reads one line into out, without its line feed; carriage returns are
  // dropped wherever they occur. maxLen 0 means 262144. A zero byte is kept
  // in the line and sets *sawNul (when given). The end of the input ends a
  // line that has at least one character; on an empty line it is passed on.
  // Throws StringTooLongException for a line longer than the limit. Returns
  // true; with validate, invalid UTF-8 is repaired and the result is false
  // when anything had to be.
  bool readLine(plat::DString& out, int maxLen = 0, bool* sawNul = nullptr,
                bool validate = false);
  // Reads exactly len bytes as the text of out, zero-terminated. With
  // validate, invalid UTF-8 is repaired; returns false when it had to be.
  bool readStringInto(size_t len, plat::DString& out, bool validate = false);
  // A U8 length, then the text.
  bool readString8(plat::DString& out, bool validate = false);
  // A U32 length, then the text. A length above maxLen throws
  // StringTooLongException before any byte of the text is read.
  bool readString32(plat::DString& out, uint32_t maxLen, bool validate = false);

protected:
  InStream();
  InStream(const InStream&) = default;
  InStream& operator=(const InStream&) = default;

  // Refills piecewise when the window cannot hold all n bytes at once.
  const uint8_t* readBytesPtrSlow(uint8_t* temp, size_t n);

  const uint8_t* ptr;
  const uint8_t* end;
  const uint8_t* checkpointPtr;
  int checkpointPos;
  bool rewindable;
};

} // namespace rdr
