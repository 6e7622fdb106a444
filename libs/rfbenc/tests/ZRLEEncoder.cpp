#include "TestPages.h"

#include <plat/Exception.h>
#include <rdr/MemOutStream.h>
#include <rfb/Region.h>
#include <rfbdec/RectMessage.h>
#include <rfbenc/EncoderCallbackV4.h>
#include <rfbenc/ZRLEEncoder.h>

#include <gtest/gtest.h>

#include <string>

using namespace rfb;
using namespace testpages;

namespace {

const PixelFormat& rgb888()
{
  return PixelFormat::nativeRgb888();
}

uint32_t noise(int x, int y)
{
  uint32_t h = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u;
  h ^= h >> 13;
  h *= 0x5bd1e995;
  return (h ^ (h >> 15)) & 0xffffff;
}

// Sets a parameter at preference priority for the life of the guard.
class ParamGuard {
public:
  ParamGuard(plat::ConfigParameter& p, int value) : p_(p)
  {
    EXPECT_TRUE(p_.setFromInt(value, 10));
  }
  ~ParamGuard() { p_.unset(10); }

private:
  plat::ConfigParameter& p_;
};

// A V4 callback into memory that counts deferred rectangles and can claim
// protocol version 3.
class MemCallback : public EncoderCallbackV4 {
public:
  explicit MemCallback(int version = 4)
      : EncoderCallbackV4(&out), version_(version)
  {
  }
  void rectDeferred() override { deferred++; }
  int version() override { return version_; }

  // The rectangle messages written so far.
  std::vector<Bytes> messages()
  {
    std::vector<Bytes> all;
    size_t pos = 0;
    while (pos < out.length()) {
      Bytes payload;
      pos += readFramedMessage(out.data() + pos, out.length() - pos, payload);
      all.push_back(payload);
    }
    return all;
  }

  rdr::MemOutStream out;
  int deferred = 0;

private:
  int version_;
};

// Decodes rectangle messages in order with one decoder into a page-sized
// frame, returning the rectangles seen.
class Viewer {
public:
  Viewer(int w, int h) : frame(rgb888(), w, h) {}
  Rect show(const Bytes& payload)
  {
    RectMessage m = RectMessage::parse(payload.data(), payload.size());
    EXPECT_EQ(m.encoding, 16);
    dec.decodeRect(m.rect, m.data, m.length, frame);
    return m.rect;
  }
  ManagedPixelBuffer frame;
  ZRLEDecoder dec;
};

// Compressed bytes that a fresh encoder stages for r (the staged road is
// taken with MiniUpdates and a budget larger than anything here).
size_t stagedSize(PixelBuffer& page, const Rect& r)
{
  ParamGuard mini(ZRLEEncoder::miniUpdates, 1);
  ParamGuard size(ZRLEEncoder::miniUpdateSize, 1 << 30);
  MemCallback cb;
  ZRLEEncoder enc(&cb, 16, false, 64, false, true);
  Region remaining;
  EXPECT_TRUE(enc.writeUpdate(Region(r), page, nullptr, remaining));
  return cb.messages().at(0).size() - RectMessage::HeaderSize;
}

} // namespace

TEST(ZRLEEncoder, MiniUpdateCutsAfterTwoRowsAndTheRestContinuesTheStream)
{
  auto page = makePage(rgb888(), 64, 192, noise);
  const Rect all(0, 0, 64, 192);
  const size_t two = stagedSize(*page, Rect(0, 0, 64, 128));
  const size_t three = stagedSize(*page, all);
  ASSERT_LT(two, three);

  ParamGuard mini(ZRLEEncoder::miniUpdates, 1);
  ParamGuard size(ZRLEEncoder::miniUpdateSize, int((two + three) / 2));
  MemCallback cb;
  ZRLEEncoder enc(&cb, 16, false, 64, false, true);
  Region remaining;
  EXPECT_FALSE(enc.writeUpdate(Region(all), *page, nullptr, remaining));
  EXPECT_EQ(remaining, Region(Rect(0, 128, 64, 192)));

  Region rest;
  EXPECT_TRUE(enc.writeUpdate(remaining, *page, nullptr, rest));
  EXPECT_TRUE(rest.isEmpty());

  std::vector<Bytes> msgs = cb.messages();
  ASSERT_EQ(msgs.size(), 2u);
  EXPECT_EQ(msgs[0].size() - RectMessage::HeaderSize, two);
  Viewer v(64, 192);
  EXPECT_EQ(v.show(msgs[0]), Rect(0, 0, 64, 128));
  EXPECT_EQ(v.show(msgs[1]), Rect(0, 128, 64, 192));
  expectSameFrame(*page, v.frame, all);
}

TEST(ZRLEEncoder, MiniUpdateCutsWithinTheFirstRow)
{
  auto page = makePage(rgb888(), 192, 64, noise);
  const Rect all(0, 0, 192, 64);
  const size_t three = stagedSize(*page, all);
  ParamGuard mini(ZRLEEncoder::miniUpdates, 1);
  // Room for two of the three tiles of the only row.
  ParamGuard size(ZRLEEncoder::miniUpdateSize, int(three * 3 / 4));
  MemCallback cb;
  ZRLEEncoder enc(&cb, 16, false, 64, false, true);
  // After a reset the stream starts over.
  Region remaining;
  enc.writeUpdate(Region(Rect(0, 0, 10, 10)), *page, nullptr, remaining);
  enc.reset();
  cb.out.clear();
  EXPECT_FALSE(enc.writeUpdate(Region(all), *page, nullptr, remaining));
  EXPECT_EQ(remaining, Region(Rect(128, 0, 192, 64)));
  EXPECT_EQ(cb.deferred, 0);

  std::vector<Bytes> msgs = cb.messages();
  ASSERT_EQ(msgs.size(), 1u);
  // A fresh stream: the first tile row was rewound to nothing, so the
  // data starts with the zlib header a new decoder expects.
  EXPECT_EQ(msgs[0][RectMessage::HeaderSize], 0x78);
  Viewer v(192, 64);
  EXPECT_EQ(v.show(msgs[0]), Rect(0, 0, 128, 64));
  expectSameFrame(*page, v.frame, Rect(0, 0, 128, 64));
}

TEST(ZRLEEncoder, MiniUpdateSizeTooSmallForOneTile)
{
  auto page = makePage(rgb888(), 100, 100, noise);
  ParamGuard mini(ZRLEEncoder::miniUpdates, 1);
  ParamGuard size(ZRLEEncoder::miniUpdateSize, 1);
  MemCallback cb;
  ZRLEEncoder enc(&cb, 16, false, 64, false, true);
  Region remaining;
  try {
    enc.writeUpdate(Region(Rect(0, 0, 100, 100)), *page, nullptr, remaining);
    FAIL() << "no exception";
  } catch (plat::Exception& e) {
    EXPECT_STREQ(e.message(), "MiniUpdateSize is too small");
  }
  EXPECT_EQ(cb.deferred, 1);
  EXPECT_EQ(cb.out.length(), 0u);

  // Into a caller's stream there is no way to defer: an assertion.
  rdr::MemOutStream os;
  Rect actual;
  EXPECT_THROW(
      enc.encodeRect(Rect(0, 0, 100, 100), &os, *page, 1, &actual, false),
      plat::AssertionFail);
}

TEST(ZRLEEncoder, VersionThreeCallbacksGetALengthPrefix)
{
  auto page = makePage(rgb888(), 70, 70, noise);
  MemCallback cb(3);
  std::unique_ptr<Encoder> enc(ZRLEEncoder::create(&cb, 16));
  enc->writeRect(Rect(0, 0, 70, 70), *page, nullptr);
  Bytes msg = cb.messages().at(0);
  const uint8_t* d = msg.data() + RectMessage::HeaderSize;
  size_t n = size_t(d[0]) << 24 | d[1] << 16 | d[2] << 8 | d[3];
  EXPECT_EQ(n, msg.size() - RectMessage::HeaderSize - 4);
  ZRLEDecoder dec;
  ManagedPixelBuffer out(rgb888(), 70, 70);
  dec.decodeRect(Rect(0, 0, 70, 70), d + 4, n, out);
  expectSameFrame(*page, out, Rect(0, 0, 70, 70));
}
