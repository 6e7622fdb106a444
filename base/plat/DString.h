// plat::DString: a growable text buffer for building text.
//
// The buffer holds NUL-terminated text; its length is not stored but is the
// position of the first NUL, so code may write into buf() directly. A
// DString without a buffer holds the empty text. The capacity is 0 or a
// power of two of at least 8 and never exceeds 2^30 (it is a signed 32-bit
// quantity); a larger request throws std::bad_alloc, as does a failed
// allocation. The buffer comes from malloc, so release() can hand it to a
// plat::String or to C code.
//
// Source texts may point into the DString's own buffer, except the
// arguments of appendFormat, which must not.
#pragma once

#include <cstdarg>
#include <cstdint>

namespace plat {

class DString {
public:
  DString() : buf_(nullptr), cap_(0) {}
  // Copies len bytes of text (all of it when len is -1), stopping at a NUL.
  explicit DString(const char* text, int len = -1);
  DString(const DString& other);
  DString(DString&& other) noexcept;
  ~DString();
  DString& operator=(const DString& other);
  DString& operator=(DString&& other) noexcept;

  // The text; "" when there is no buffer. Never null. Valid until the next
  // change to the DString.
  const char* c_str() const { return buf_ ? buf_ : ""; }
  // The buffer itself (null when none), capacity() bytes long.
  char* buf() { return buf_; }
  int capacity() const { return cap_; }
  int length() const;
  bool empty() const { return !buf_ || !buf_[0]; }

  // Ensures a capacity of at least n bytes, keeping the text.
  void reserve(int n);
  // Empties the text, keeping the buffer.
  void clear();
  // Hands the buffer (null when there is none) to the caller, who frees it;
  // the DString is left empty without a buffer.
  char* release();
  void swap(DString& other) noexcept;

  // Replaces the text by a copy of other's.
  void assign(const DString& other);
  void assign(const char* text, int len = -1);

  // Appends up to len bytes of text (all when len is -1), stopping at a NUL
  // in the source. A null text appends nothing.
  void append(const char* text, int len = -1);
  void appendFormat(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  void appendFormatV(const char* fmt, va_list ap)
      __attribute__((format(printf, 2, 0)));
  // Appends the UTF-8 encoding of code point cp, count times (nothing when
  // count < 1). Throws plat::Exception "Unicode out of range" from 0x110000.
  void appendCodePoint(uint32_t cp, int count = 1);

  // Replaces bytes [start, end) of the text by up to len bytes of text
  // (-1: all of it). Does nothing when start < 0, start > end or end is
  // past the end of the text.
  void splice(int start, int end, const char* text, int len = -1);

  // Appends haystack with every occurrence of needle replaced by
  // replacement (removed when replacement is null). An empty or null needle
  // is a fatal assertion. A null haystack appends nothing.
  void appendReplaceAll(const char* haystack, const char* needle,
                        const char* replacement);
  // The same on the DString's own text.
  void replaceAll(const char* needle, const char* replacement);

  // Returns true when the text is valid UTF-8; otherwise replaces it by its
  // repaired form (invalid sequences become U+FFFD) and returns false.
  bool makeValid();

  // Reflows the text for a terminal of the given width: a word that would
  // pass the width starts a new line indented by indent spaces, replacing
  // the spaces before it. Words are never split. Newlines in the text are
  // kept and reset the column; spaces next to them and at the end of the
  // text are dropped. Widths are display widths (utf8Width).
  void wordWrap(int width, int indent);

private:
  bool inside(const char* p) const
  {
    return buf_ && p >= buf_ && p < buf_ + cap_;
  }

  char* buf_;
  int32_t cap_;
};

} // namespace plat
