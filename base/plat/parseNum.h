// Integer parsing that reports failure with plat::BadNum.
//
// Four families (signed and unsigned, 32 and 64 bits), each in three forms:
//
//   tryParseX (value, pos, base)  reports success; on success pos moves past
//                                 the number, on failure value is 0 and pos
//                                 stays
//   parseXNext (pos, base)        the same, throwing plat::BadNum on failure
//   parseX (text, base, ...)      the whole text must be the number
//
// The base is as strtol takes it (0 accepts the "0x" and leading-"0"
// prefixes); leading white space and a sign are accepted as strtol accepts
// them. The unsigned families refuse a '-' instead of wrapping. A value out
// of the family's range fails. errno is left as it was. Nothing blocks or
// allocates.
#pragma once

#include <cstdint>

namespace plat {

bool tryParseS32(int32_t& value, const char*& pos, int base = 10);
bool tryParseU32(uint32_t& value, const char*& pos, int base = 10);
bool tryParseS64(int64_t& value, const char*& pos, int base = 10);
bool tryParseU64(uint64_t& value, const char*& pos, int base = 10);

// Throw plat::BadNum "Failed to parse integer" (32-bit), "Failed to parse
// S64 integer" or "Failed to parse U64 integer".
int32_t parseS32Next(const char*& pos, int base = 10);
uint32_t parseU32Next(const char*& pos, int base = 10);
int64_t parseS64Next(const char*& pos, int base = 10);
uint64_t parseU64Next(const char*& pos, int base = 10);

// Whole-text forms. The 32-bit ones also require min <= value <= max and
// throw plat::BadNum with message, or "Failed to parse integer" when message
// is null.
int32_t parseS32(const char* text, int base = 10, int32_t min = INT32_MIN,
                 int32_t max = INT32_MAX, const char* message = nullptr);
uint32_t parseU32(const char* text, int base = 10, uint32_t min = 0,
                  uint32_t max = UINT32_MAX, const char* message = nullptr);
int64_t parseS64(const char* text, int base = 10);
uint64_t parseU64(const char* text, int base = 10);

} // namespace plat
