// plat::String: one owned, heap-allocated, NUL-terminated text.
//
// The text is UTF-8 by convention and lives in memory from malloc, released
// with free, so a buffer can be handed over to or taken from C code and
// other owners (DString::release, a memory stream's block) without copying.
// A null String (no value) is distinct from the empty text "". Copying
// duplicates the text. Allocation failure throws std::bad_alloc.
#pragma once

#include <cstddef>

namespace plat {

class String {
public:
  String() : s_(nullptr) {}
  // Copies text; a null text gives a null String.
  String(const char* text); // NOLINT: implicit
  // Copies at most len bytes of text, stopping at a NUL.
  String(const char* text, size_t len);
  String(const String& other);
  String(String&& other) noexcept : s_(other.s_) { other.s_ = nullptr; }
  ~String();

  String& operator=(const String& other);
  String& operator=(String&& other) noexcept;
  String& operator=(const char* text);

  // Takes ownership of a malloc'd text (may be null), freeing the current.
  void adopt(char* owned);
  static String adopting(char* owned);
  // Gives up ownership: the caller frees the returned text (may be null).
  char* release();
  // printf-style construction.
  static String format(const char* fmt, ...)
      __attribute__((format(printf, 1, 2)));

  // The text, or null for a null String.
  const char* get() const { return s_; }
  // The text, or "" for a null String: never null.
  const char* c_str() const { return s_ ? s_ : ""; }
  // The owned buffer for in-place edits that do not lengthen it; null for a
  // null String.
  char* buf() { return s_; }

  bool isNull() const { return !s_; }
  // True for null and for "".
  bool empty() const { return !s_ || !s_[0]; }
  size_t length() const;

  void clear(); // becomes null
  void swap(String& other) noexcept;

  // Texts compared with strcmp; null equals only null and orders first.
  static int compare(const char* a, const char* b);

private:
  char* s_;
};

inline bool operator==(const String& a, const String& b)
{
  return String::compare(a.get(), b.get()) == 0;
}
inline bool operator!=(const String& a, const String& b)
{
  return !(a == b);
}
inline bool operator<(const String& a, const String& b)
{
  return String::compare(a.get(), b.get()) < 0;
}
inline bool operator==(const String& a, const char* b)
{
  return String::compare(a.get(), b) == 0;
}
inline bool operator!=(const String& a, const char* b)
{
  return !(a == b);
}
inline bool operator==(const char* a, const String& b)
{
  return b == a;
}
inline bool operator!=(const char* a, const String& b)
{
  return !(b == a);
}

} // namespace plat
