// rdr::OutStream: the abstract typed output byte stream.
//
// A stream exposes the writable part of its buffer in place as the window
// [ptr, end). Writing an item that fits is an inline pointer comparison and
// copy; only when the window runs short does the virtual overrun() make room
// (drain, grow, compress or frame, depending on the subclass). All
// multi-byte integers are big-endian.
//
// Writers throw what the subclass's overrun throws: OutStreamFull for a
// bounded memory stream, plat::SystemException or plat::TimedOut for a
// descriptor. Whether a write blocks depends on the subclass; memory streams
// never block.
#pragma once

#include <plat/Assert.h>
#include <rdr/Exception.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace rdr {

class OutStream {
public:
  // spaceAvailable() of a stream without a limit.
  static constexpr size_t Unlimited = 0x7fffffff;

  virtual ~OutStream();

  // Copies len bytes through the window, draining it as often as needed.
  virtual void writeBytes(const void* data, size_t len);
  // Total number of bytes written into the stream so far.
  virtual size_t length() const = 0;
  // Pushes buffered bytes towards the sink; the base does nothing.
  virtual void flush();
  // The stream at the bottom of a stack of filters (framing, compression);
  // the stream itself when it is not a filter.
  virtual OutStream* bottomStream();
  // Bytes accepted but not yet written to the sink, as seen at the bottom
  // of the stack.
  virtual size_t pendingBytes();
  // How many more bytes can be written before the stream must fail or block;
  // Unlimited when there is no limit.
  virtual size_t spaceAvailable() = 0;
  // Shuts down the writing side of the sink when it has one; returns whether
  // it did. The base has none and returns false.
  virtual bool shutdownWrite();
  // Whether failures of a non-blocking stream are thrown (true) or only
  // logged; the base ignores it.
  virtual void setThrowErrors(bool flag);

protected:
  // Makes room for at least one item of itemSize bytes and returns how many
  // whole items, at most nItems, now fit in [ptr, end). Called only through
  // check() and the inline writers.
  virtual size_t overrun(size_t itemSize, size_t nItems) = 0;
  // What overrun returns once it has made room: the whole items of itemSize
  // bytes, at most nItems, that fit in [ptr, end).
  size_t itemsInWindow(size_t itemSize, size_t nItems) const
  {
    size_t fit = size_t(end - ptr) / itemSize;
    return nItems <= fit ? nItems : fit;
  }

public:
  // Returns how many items of itemSize bytes fit in the window, at most
  // nItems and at least one, making room first when not all of them fit.
  size_t check(size_t itemSize, size_t nItems = 1)
  {
    size_t room = size_t(end - ptr);
    if (itemSize * nItems <= room)
      return nItems;
    return overrun(itemSize, nItems);
  }

  uint8_t* getPtr() const { return ptr; }
  uint8_t* getEnd() const { return end; }
  // Marks the window up to p as written; p must lie within it (fatal
  // assertion).
  void setPtr(uint8_t* p)
  {
    PLAT_ASSERT(p >= ptr && p <= end);
    ptr = p;
  }

  void writeU8(uint8_t v)
  {
    if (ptr == end)
      overrun(1, 1);
    *ptr++ = v;
  }
  void writeU16(uint16_t v)
  {
    if (end - ptr < 2)
      overrun(2, 1);
    ptr[0] = uint8_t(v >> 8);
    ptr[1] = uint8_t(v);
    ptr += 2;
  }
  void writeU32(uint32_t v)
  {
    if (end - ptr < 4)
      overrun(4, 1);
    ptr[0] = uint8_t(v >> 24);
    ptr[1] = uint8_t(v >> 16);
    ptr[2] = uint8_t(v >> 8);
    ptr[3] = uint8_t(v);
    ptr += 4;
  }
  void writeS8(int8_t v) { writeU8(uint8_t(v)); }
  void writeS16(int16_t v) { writeU16(uint16_t(v)); }
  void writeS32(int32_t v) { writeU32(uint32_t(v)); }
  // Writes n zero bytes.
  void pad(size_t n);

  // A U32 length and the bytes of s without a terminator. len < 0 takes the
  // whole zero-terminated text, len >= 0 at most len bytes up to the first
  // zero byte.
  void writeString(const char* s, long len = -1);
  // min(strlen(s), 255) as one byte, then that many bytes of s.
  void writeString8(const char* s);

  // Text appenders for building zero-terminated text in a stream, normally
  // a MemOutStream. Each leaves a zero byte at ptr that is not counted (the
  // next append overwrites it).
  //
  // Appends len bytes of s (same length rule as writeString).
  void appendText(const char* s, long len = -1);
  // Appends printf-formatted text, formatted straight into the window.
  void appendFormat(const char* format, ...)
      __attribute__((format(printf, 2, 3)));
  void appendFormatV(const char* format, va_list ap)
      __attribute__((format(printf, 2, 0)));
  // Appends the character c n times: as one byte below 128, UTF-8 encoded
  // otherwise. Throws plat::Exception "Unicode out of range" from 0x110000.
  void appendChar(uint32_t c, int n = 1);

protected:
  OutStream();
  OutStream(const OutStream&) = default;
  OutStream& operator=(const OutStream&) = default;

  // Stores the uncounted zero byte of the text appenders at ptr.
  void terminateText();

  uint8_t* ptr;
  uint8_t* end;
};

} // namespace rdr
