#include <rfb/TransFns.h>

#include <rfb/ColorCubeOrth.h>

#include <cstring>

namespace rfb {

namespace {

// ---- pixel access -------------------------------------------------------

template <int Bytes> inline uint32_t load(const uint8_t* p);
template <> inline uint32_t load<1>(const uint8_t* p)
{
  return *p;
}
template <> inline uint32_t load<2>(const uint8_t* p)
{
  uint16_t v;
  memcpy(&v, p, 2);
  return v;
}
template <> inline uint32_t load<3>(const uint8_t* p)
{
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}
template <> inline uint32_t load<4>(const uint8_t* p)
{
  uint32_t v;
  memcpy(&v, p, 4);
  return v;
}

template <int Bytes> inline void store(uint8_t* p, uint32_t v);
template <> inline void store<1>(uint8_t* p, uint32_t v)
{
  *p = uint8_t(v);
}
template <> inline void store<2>(uint8_t* p, uint32_t v)
{
  uint16_t s = uint16_t(v);
  memcpy(p, &s, 2);
}
template <> inline void store<3>(uint8_t* p, uint32_t v)
{
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
}
template <> inline void store<4>(uint8_t* p, uint32_t v)
{
  memcpy(p, &v, 4);
}

// Table entries are as wide as the output pixel; 24-bit output uses 32-bit
// entries.
template <int Bytes> struct EntryOf {
  typedef uint32_t type;
};
template <> struct EntryOf<1> {
  typedef uint8_t type;
};
template <> struct EntryOf<2> {
  typedef uint16_t type;
};

// ---- the table-driven family ---------------------------------------------

template <int InB, int OutB>
void translateTables(const TransTables& t, const uint8_t* in, int inStride,
                     uint8_t* out, int outStride, int w, int h)
{
  typedef typename EntryOf<OutB>::type Entry;
  const Entry* rt = static_cast<const Entry*>(t.table[0]);
  const Entry* gt = static_cast<const Entry*>(t.table[1]);
  const Entry* bt = static_cast<const Entry*>(t.table[2]);
  const uint32_t rm = t.inMax[0], gm = t.inMax[1], bm = t.inMax[2];
  const int rs = t.inShift[0], gs = t.inShift[1], bs = t.inShift[2];
  for (int y = 0; y < h; y++) {
    const uint8_t* ip = in + size_t(y) * inStride * InB;
    uint8_t* op = out + size_t(y) * outStride * OutB;
    for (int x = 0; x < w; x++, ip += InB, op += OutB) {
      uint32_t p = load<InB>(ip);
      store<OutB>(op, uint32_t(rt[(p >> rs) & rm]) +
                          uint32_t(gt[(p >> gs) & gm]) +
                          uint32_t(bt[(p >> bs) & bm]));
    }
  }
}

#define ROW(i)                                                                 \
  {                                                                            \
    translateTables<i, 1>, translateTables<i, 2>, translateTables<i, 3>,       \
        translateTables<i, 4>                                                  \
  }
const TransTables::Fn familyFns[4][4] = {ROW(1), ROW(2), ROW(3), ROW(4)};
#undef ROW

// ---- byte shuffles --------------------------------------------------------

inline uint32_t bswap(uint32_t v)
{
  return __builtin_bswap32(v);
}

// Three bytes a, b, c become the 32-bit value a << 16 | b << 8 | c. Four
// pixels at a time: three 32-bit loads cover twelve input bytes and the
// pixels are cut out with shifts, which keeps the loop at memory speed
// without any alignment demand.
void shuffle24to32(const uint8_t* in, int inStride, uint8_t* out, int outStride,
                   int w, int h)
{
  for (int y = 0; y < h; y++) {
    const uint8_t* ip = in + size_t(y) * inStride * 3;
    uint8_t* op = out + size_t(y) * outStride * 4;
    int x = 0;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    for (; x + 4 <= w; x += 4, ip += 12, op += 16) {
      uint32_t w0, w1, w2;
      memcpy(&w0, ip, 4);
      memcpy(&w1, ip + 4, 4);
      memcpy(&w2, ip + 8, 4);
      uint32_t o[4];
      o[0] = bswap(w0) >> 8;
      o[1] = bswap((w0 >> 24) | (w1 << 8)) >> 8;
      o[2] = bswap((w1 >> 16) | (w2 << 16)) >> 8;
      o[3] = bswap(w2 >> 8) >> 8;
      memcpy(op, o, 16);
    }
#endif
    for (; x < w; x++, ip += 3, op += 4) {
      uint32_t v = uint32_t(ip[0]) << 16 | uint32_t(ip[1]) << 8 | ip[2];
      memcpy(op, &v, 4);
    }
  }
}

void shuffle32to24(const uint8_t* in, int inStride, uint8_t* out, int outStride,
                   int w, int h)
{
  for (int y = 0; y < h; y++) {
    const uint8_t* ip = in + size_t(y) * inStride * 4;
    uint8_t* op = out + size_t(y) * outStride * 3;
    for (int x = 0; x < w; x++, ip += 4, op += 3) {
      op[0] = ip[2];
      op[1] = ip[1];
      op[2] = ip[0];
    }
  }
}

void shuffle32swap02(const uint8_t* in, int inStride, uint8_t* out,
                     int outStride, int w, int h)
{
  for (int y = 0; y < h; y++) {
    const uint8_t* ip = in + size_t(y) * inStride * 4;
    uint8_t* op = out + size_t(y) * outStride * 4;
    for (int x = 0; x < w; x++, ip += 4, op += 4) {
      uint32_t v;
      memcpy(&v, ip, 4);
      v = (v & 0xff00ff00u) | (v >> 16 & 0xffu) | (v & 0xffu) << 16;
      memcpy(op, &v, 4);
    }
  }
}

// The format describing the same bytes read in the opposite order (native
// formats with byte channels only).
PixelFormat reversed(const PixelFormat& pf)
{
  PixelFormat r(pf);
  r.bigEndian = true;
  r.makeNativeEndian();
  return r;
}

uint8_t swap0and16(uint8_t s)
{
  return s == 0 ? 16 : s == 16 ? 0 : s;
}

uint32_t byteSwapEntry(uint32_t v, int bytes)
{
  switch (bytes) {
  case 2: return __builtin_bswap16(uint16_t(v));
  case 3: return bswap(v) >> 8;
  case 4: return bswap(v);
  default: return v;
  }
}

} // namespace

ShuffleFn findShuffle(const PixelFormat& in, const PixelFormat& out)
{
  if (in.bpp == 24 && out.bpp == 32) {
    PixelFormat r = reversed(in);
    r.bpp = 32;
    if (r == out)
      return shuffle24to32;
  } else if (in.bpp == 32 && out.bpp == 24) {
    PixelFormat r = reversed(out);
    r.bpp = 32;
    if (r == in)
      return shuffle32to24;
  } else if (in.bpp == 32 && out.bpp == 32) {
    PixelFormat s(in);
    s.redShift = swap0and16(s.redShift);
    s.greenShift = swap0and16(s.greenShift);
    s.blueShift = swap0and16(s.blueShift);
    if (s.alphaMax)
      s.alphaShift = swap0and16(s.alphaShift);
    if (s == out)
      return shuffle32swap02;
  }
  return nullptr;
}

template <class Entry>
void TransTables::build(const PixelFormat& in, const PixelFormat& out,
                        const ColorCubeOrth* cube)
{
  const uint32_t inMaxes[3] = {in.redMax, in.greenMax, in.blueMax};
  const int inShifts[3] = {in.redShift, in.greenShift, in.blueShift};
  size_t total = 0;
  for (int c = 0; c < 3; c++)
    total += inMaxes[c] + 1;
  mem.reset(new uint8_t[total * sizeof(Entry)]);
  Entry* e = reinterpret_cast<Entry*>(mem.get());

  int outBytes = out.bpp / 8;
  bool swap = out.bigEndian && outBytes > 1;
  for (int c = 0; c < 3; c++) {
    uint32_t outMax, mult;
    int shift;
    if (cube) {
      const int levels[3] = {cube->nRed, cube->nGreen, cube->nBlue};
      const int mults[3] = {cube->redMult, cube->greenMult, cube->blueMult};
      outMax = uint32_t(levels[c] - 1);
      mult = uint32_t(mults[c]);
      shift = 0;
    } else {
      const uint32_t outMaxes[3] = {out.redMax, out.greenMax, out.blueMax};
      const int outShifts[3] = {out.redShift, out.greenShift, out.blueShift};
      outMax = outMaxes[c];
      mult = 1;
      shift = outShifts[c];
    }
    // A channel of max 0 is absent and its shift means nothing; a valid
    // format may even put it at 32, which no 32-bit shift may use.
    if (outMax == 0)
      shift = 0;
    uint32_t im = inMaxes[c];
    table[c] = e;
    inMax[c] = im;
    inShift[c] = im ? inShifts[c] : 0;
    for (uint32_t i = 0; i <= im; i++) {
      // Rounded scaling; an absent input channel (max 0) gives 0.
      uint32_t v = im ? (i * outMax + im / 2) / im : 0;
      v = (v * mult) << shift;
      if (swap)
        v = byteSwapEntry(v, outBytes);
      e[i] = Entry(v);
    }
    e += im + 1;
  }
  fn = familyFns[in.bpp / 8 - 1][outBytes - 1];
}

void TransTables::buildTrueColour(const PixelFormat& in, const PixelFormat& out)
{
  switch (out.bpp) {
  case 8: build<uint8_t>(in, out, nullptr); break;
  case 16: build<uint16_t>(in, out, nullptr); break;
  default: build<uint32_t>(in, out, nullptr); break;
  }
}

void TransTables::buildToCube(const PixelFormat& in, const PixelFormat& out,
                              const ColorCubeOrth& cube)
{
  switch (out.bpp) {
  case 8: build<uint8_t>(in, out, &cube); break;
  case 16: build<uint16_t>(in, out, &cube); break;
  default: build<uint32_t>(in, out, &cube); break;
  }
}

void TransTables::translate(const uint8_t* in, int inStride, uint8_t* out,
                            int outStride, int w, int h) const
{
  fn(*this, in, inStride, out, outStride, w, h);
}

} // namespace rfb
