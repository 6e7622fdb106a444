// Carves typed values, in a fixed order, off the front of a fuzzer's input
// (not owned), so that a saved input always means the same thing. Past its
// end every getter answers 0 or an empty piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace jexfuzz {

class FuzzInput {
public:
  FuzzInput(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

  size_t remaining() const { return size_t(end_ - p_); }

  uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
  uint16_t u16() { return uint16_t(byte() << 8 | byte()); }
  uint32_t u32() { return uint32_t(u16()) << 16 | u16(); }
  bool flag() { return (byte() & 1) != 0; }
  // A value in [lo, hi] taken from one byte (or two when the range needs it).
  int range(int lo, int hi)
  {
    unsigned span = unsigned(hi - lo) + 1;
    unsigned v = span > 256 ? u16() : byte();
    return lo + int(v % span);
  }

  // The next n bytes (fewer at the end of the input).
  const uint8_t* take(size_t n, size_t* got)
  {
    *got = n < remaining() ? n : remaining();
    const uint8_t* q = p_;
    p_ += *got;
    return q;
  }
  std::string rest()
  {
    std::string s(reinterpret_cast<const char*>(p_), remaining());
    p_ = end_;
    return s;
  }

private:
  const uint8_t* p_;
  const uint8_t* end_;
};

// Big-endian appenders, for targets that build wire data around the input.
inline void putU16(std::vector<uint8_t>& v, unsigned x)
{
  v.push_back(uint8_t(x >> 8));
  v.push_back(uint8_t(x));
}
inline void putU32(std::vector<uint8_t>& v, uint32_t x)
{
  putU16(v, x >> 16);
  putU16(v, x & 0xffff);
}

} // namespace jexfuzz
