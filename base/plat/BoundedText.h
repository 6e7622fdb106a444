// Bounded text helpers for fixed-size buffers.
//
// Every fixed-size text buffer in the system (exception messages, type
// names, printed pixel formats) is written only through these helpers, so a
// buffer always stays NUL-terminated and never ends in a cut UTF-8 sequence.
// None of them allocates.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace plat {

// Appends srcLen bytes of src (or all of it when srcLen is -1) after the
// current text of dst, a buffer of dstSize bytes. When the result does not
// fit, only what fits is copied, the buffer is NUL-terminated at its last
// byte and a UTF-8 sequence cut by the limit is removed. A null src appends
// nothing. dstSize must be at least 1.
void boundedAppend(char* dst, size_t dstSize, const char* src,
                   long srcLen = -1);

// printf-style append after the current text of dst. On truncation or a
// formatting error the cut tail is trimmed as above; the last byte of the
// buffer is always NUL.
void boundedAppendFormat(char* dst, size_t dstSize, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));
void boundedAppendFormatV(char* dst, size_t dstSize, const char* fmt,
                          va_list ap) __attribute__((format(printf, 3, 0)));

// Removes an incomplete UTF-8 sequence from the end of the text in
// [text, text + len): looks back over at most the last 4 bytes for a lead
// byte whose announced sequence would reach text + len and cuts there.
// Returns the new length (the terminator is written at it).
size_t utf8TailTrim(char* text, size_t len);

} // namespace plat
