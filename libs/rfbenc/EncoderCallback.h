// The encoder's view of its output: where rectangles go, how their size is
// counted, and a scratch buffer it may borrow.
//
// The base class writes nothing (startRect returns null); an owner that
// frames rectangles overrides startRect/endRect/length, as
// EncoderCallbackV4 does. Not thread-safe: a callback and its encoder
// belong to one thread.
#pragma once

#include <rfb/Rect.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rdr {
class OutStream;
}

namespace rfb {

class Region;

class EncoderCallback {
public:
  // preferredMax caps the scratch buffer unless a caller's minimum needs
  // more. With wipe set, a released scratch buffer is zeroed first.
  explicit EncoderCallback(size_t preferredMax = 16384, bool wipe = false);

  // A rectangle, or the rest of one, was left out of the current update
  // for lack of budget. The default does nothing.
  virtual void rectDeferred() {}
  // Starts one rectangle and returns the stream for its data, owned by
  // the callback and valid until endRect. `flag` is reserved (encoders
  // pass true). The default returns null.
  virtual rdr::OutStream* startRect(const Rect& r, int encoding, bool flag);
  // Ends the rectangle; with flush, pushes it towards the sink.
  virtual void endRect(bool flush);
  // Lends a buffer of at least minItems items of itemSize bytes, up to
  // maxItems when the preferred maximum allows. The buffer belongs to the
  // callback, never shrinks, and stays valid until a later call asks for
  // more. nItems (optional) receives the number of items it holds. Throws
  // std::bad_alloc.
  virtual void* getBuffer(size_t itemSize, size_t minItems, size_t maxItems,
                          size_t* nItems);
  // Bytes written so far; the base writes none.
  virtual size_t length();
  // Output protocol version: 3 asks encoders for a u32 length before each
  // rectangle's compressed data. The default is 4.
  virtual int version();
  // The rectangles of a region in band order (top to bottom, then left to
  // right), replacing the contents of *rects.
  virtual void getRects(const Region& region, std::vector<Rect>* rects);

  virtual ~EncoderCallback();

  EncoderCallback(const EncoderCallback&) = delete;
  EncoderCallback& operator=(const EncoderCallback&) = delete;

private:
  size_t preferredMax_;
  size_t size_ = 0;
  uint8_t* buf_ = nullptr;
  bool wipe_;
};

} // namespace rfb
