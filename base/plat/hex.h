// Hexadecimal conversion, memory wiping and constant-time comparison for
// binary values.
//
// Hex texts are pairs of digits ('0'-'9', 'a'-'f', 'A'-'F'), high nibble
// first; the empty text is zero bytes. Nothing here blocks.
#pragma once

#include <plat/MBuf.h>
#include <plat/String.h>

#include <cstddef>

namespace plat {

// Decodes text into out. On a text of odd length or with a non-hex
// character returns false and leaves out empty. A null text counts as
// empty. Throws std::bad_alloc.
bool tryHexDecode(const char* text, MBuf<unsigned char>& out);
// As tryHexDecode, throwing plat::Exception "Bad hex string" on bad text.
void hexDecode(const char* text, MBuf<unsigned char>& out);

// Two lower-case digits per byte.
String hexEncode(const void* data, size_t n);

// (wipe is declared in MBuf.h.)

// Whether the n bytes at a and b are equal. The time taken depends only on
// n, not on where the ranges differ.
bool constTimeEqual(const void* a, const void* b, size_t n);

} // namespace plat
