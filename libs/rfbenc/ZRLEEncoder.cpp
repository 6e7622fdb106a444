#include <rfbenc/ZRLEEncoder.h>

#include <plat/Assert.h>
#include <rdr/NullOutStream.h>
#include <rfb/PixelBuffer.h>
#include <rfb/Region.h>
#include <rfbenc/EncoderCallback.h>

#include <climits>
#include <vector>

namespace rfb {

plat::BoolParameter ZRLEEncoder::miniUpdates(
    "MiniUpdates", "Send only small updates to avoid problems on slow links",
    false, true);
plat::IntParameter
    ZRLEEncoder::miniUpdateSize("MiniUpdateSize",
                                "Size in bytes to restrict mini updates", 16384,
                                true, nullptr, 0, INT_MAX);
plat::IntParameter
    ZRLEEncoder::zlibLevel("ZlibLevel",
                           "Zlib compression level (-1=auto, 0=lowest)", -1,
                           true, nullptr, -1, 9);

namespace {
// Room reserved in the staging stream up front, so that a normal update
// does not grow it step by step.
const size_t StagingReserve = 65536;
} // namespace

ZRLEEncoder::ZRLEEncoder(EncoderCallback* cb, int encoding, bool lengthPrefix,
                         int tileSize, bool reuseAllowed, bool resetPerRect)
    : Encoder(cb, encoding),
      tiles_(this, cb, tileSize, reuseAllowed, resetPerRect),
      zos_(nullptr, 0, zlibLevel, false), lengthPrefix_(lengthPrefix)
{
}

ZRLEEncoder::~ZRLEEncoder() {}

Encoder* ZRLEEncoder::create(EncoderCallback* cb, int encoding)
{
  return new ZRLEEncoder(cb, encoding, cb->version() == 3, 64, false, true);
}

void ZRLEEncoder::reset()
{
  zos_.resetStream();
  tiles_.reset();
  fresh_ = true;
}

bool ZRLEEncoder::writeRect(const Rect& r, PixelBuffer& source, void*)
{
  encodeRect(r, nullptr, source, 0, nullptr, true);
  return true;
}

bool ZRLEEncoder::writeRectData(const Rect& r, rdr::OutStream& os,
                                PixelBuffer& source)
{
  return encodeRect(r, &os, source, 0, nullptr, false);
}

bool ZRLEEncoder::encodeRect(const Rect& r, rdr::OutStream* os,
                             PixelBuffer& source, int budget, Rect* actual,
                             bool withRectHeader)
{
  PLAT_ASSERT_THROW(!os == withRectHeader);
  Rect local;
  if (!actual)
    actual = &local;
  *actual = r;

  if (budget < 1 && !lengthPrefix_) {
    flushPerRow_ = flushPerTile_ = false;
    rdr::OutStream* out =
        withRectHeader ? cb_->startRect(r, EncodingZRLE, true) : os;
    zos_.setUnderlying(out);
    tiles_.encodeRect(r, zos_, source);
    zos_.flushCompressed(false);
    if (withRectHeader)
      cb_->endRect(false);
    fresh_ = false;
    return true;
  }

  staging_.clear();
  staging_.setMaxSize(budget > 0 ? size_t(budget) : 0);
  size_t reserve = budget > 0 && size_t(budget) < StagingReserve
                       ? size_t(budget)
                       : StagingReserve;
  staging_.check(reserve);
  zos_.setUnderlying(&staging_);
  flushPerRow_ = true;
  flushPerTile_ = false;

  bool complete = true;
  try {
    tiles_.encodeRect(r, zos_, source);
  } catch (rdr::OutStreamFull&) {
    complete = false;
    rewindTo(rowCheckpoint_);
    const Rect failed = tiles_.tileRect();
    if (failed.tl.y != r.tl.y) {
      actual->br.y = failed.tl.y;
    } else {
      // Not even the first tile row fits: send as many of its tiles as do,
      // flushing after each so that any prefix of them is decodable.
      actual->br.y = failed.br.y;
      flushPerTile_ = true;
      try {
        tiles_.encodeRect(*actual, zos_, source);
      } catch (rdr::OutStreamFull&) {
        rewindTo(tileCheckpoint_);
        const Rect tile = tiles_.tileRect();
        if (tile.tl.x == r.tl.x) {
          PLAT_ASSERT_THROW(withRectHeader);
          cb_->rectDeferred();
          *actual = Rect(0, 0, 0, 0);
          return false;
        }
        actual->br.x = tile.tl.x;
      }
      complete = *actual == r;
    }
  }

  rdr::OutStream* out =
      withRectHeader ? cb_->startRect(*actual, EncodingZRLE, true) : os;
  if (lengthPrefix_)
    out->writeU32(uint32_t(staging_.length()));
  out->writeBytes(staging_.data(), staging_.length());
  if (withRectHeader)
    cb_->endRect(false);
  fresh_ = false;
  return complete;
}

void ZRLEEncoder::rewindTo(size_t checkpoint)
{
  staging_.truncate(checkpoint);
  zos_.resetStream();
  if (fresh_ && checkpoint == 0)
    return; // the next output starts the zlib stream, header and all
  // The restarted deflate must continue the stream the decoder has read up
  // to the checkpoint: its fresh header (and a dummy byte, since a flush
  // with no input emits nothing) go to a sink, and the full flush makes
  // everything after it independent of earlier data.
  rdr::NullOutStream sink;
  zos_.setUnderlying(&sink);
  zos_.writeU8(0);
  zos_.flushCompressed(true);
  zos_.setUnderlying(&staging_);
}

void ZRLEEncoder::rowStart()
{
  rowCheckpoint_ = staging_.length();
}

void ZRLEEncoder::tileStart()
{
  tileCheckpoint_ = staging_.length();
}

void ZRLEEncoder::tileEnd()
{
  if (flushPerTile_)
    zos_.flushCompressed(false);
}

void ZRLEEncoder::rowEnd()
{
  if (flushPerRow_)
    zos_.flushCompressed(false);
}

bool ZRLEEncoder::writeUpdate(const Region& region, PixelBuffer& source, void*,
                              Region& remaining)
{
  const bool mini = miniUpdates;
  const long long limit = miniUpdateSize;
  const long long startLength = (long long)cb_->length();

  std::vector<Rect> rects;
  cb_->getRects(region, &rects);
  bool result = true;
  bool cut = false;
  for (size_t i = 0; i < rects.size(); i++) {
    const Rect& r = rects[i];
    long long budget = 0;
    bool defer = cut;
    if (mini) {
      budget = limit - ((long long)cb_->length() - startLength);
      if (budget < 1)
        defer = true;
    }
    if (defer) {
      cb_->rectDeferred();
      remaining.assignUnion(Region(r));
      continue;
    }
    Rect actual;
    result = encodeRect(r, nullptr, source, int(budget), &actual, true);
    if (!result) {
      cut = true;
      remaining.assignUnion(Region(r).subtract(Region(actual)));
      if (actual.isEmpty() && i == 0)
        throw plat::Exception("MiniUpdateSize is too small");
    }
  }
  return result;
}

} // namespace rfb
