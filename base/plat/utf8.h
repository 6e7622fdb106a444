// UTF-8 decoding, validation, repair, display width, encoding and
// conversion to ISO-8859-1.
//
// Every function exists in two forms: one reads [s, end), the other reads
// up to the terminating NUL of s. A sequence is valid when it is the
// shortest encoding of a code point up to 0x10FFFF that is not a surrogate
// (U+D800..U+DFFF), not one of U+FDD0..U+FDEF and whose low 16 bits are not
// 0xFFFE or 0xFFFF. Null texts are treated as empty. Nothing blocks; the
// functions returning a String allocate (std::bad_alloc on failure).
#pragma once

#include <plat/String.h>

#include <cstddef>
#include <cstdint>

namespace plat {

const uint32_t Utf8Invalid = 0xFFFFFFFF;

// Decodes the character at p and moves p past the bytes it consumed: an
// ASCII byte (a NUL too) is one character; an invalid sequence consumes
// its lead byte and the continuation bytes that follow it, up to the first
// byte that cannot belong to it. Returns the code point or Utf8Invalid.
// p must be before end (or, in the second form, point into a NUL-terminated
// text).
uint32_t utf8Decode(const char*& p, const char* end);
uint32_t utf8Decode(const char*& p);

bool utf8Valid(const char* s, const char* end);
bool utf8Valid(const char* s);

// A copy of the text with every invalid sequence replaced by U+FFFD. With
// maxBytes, the copy ends before the first character that would make it
// longer than maxBytes bytes (the terminator not counted). The end form
// stops at an embedded NUL as well.
String utf8Repair(const char* s, const char* end, size_t maxBytes = SIZE_MAX);
String utf8Repair(const char* s, size_t maxBytes = SIZE_MAX);

// Terminal columns of the text: the sum of wcwidth() of its characters
// (per the current locale), a negative width counting 1. Stops at the first
// invalid sequence or NUL.
size_t utf8Width(const char* s, const char* end);
size_t utf8Width(const char* s);

// Writes the encoding of cp into out (1 to 4 bytes, no terminator) and
// returns its length. Throws plat::Exception "Unicode out of range" for cp
// of 0x110000 and above.
int utf8Encode(uint32_t cp, char out[4]);

// ISO-8859-1 form of the text: code points below 256 become the byte of the
// same value, U+20AC (the euro sign) becomes 0x80, anything else and every
// invalid sequence becomes '?'. The result is NUL-terminated; its length
// (which counts NUL bytes taken over from the end form's input) is stored
// in *len when len is not null.
String utf8ToLatin1(const char* s, const char* end, size_t* len = nullptr);
String utf8ToLatin1(const char* s, size_t* len = nullptr);

} // namespace plat
