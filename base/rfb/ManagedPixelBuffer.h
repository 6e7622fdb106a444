// A full-frame buffer that owns its memory.
//
// The memory holds the whole frame packed (stride = width). A change of
// format zeroes the pixels and reuses the memory when it is big enough (it
// is never shrunk then; an empty frame releases it). A change of size moves
// the frame to fresh memory of exactly the new size, zeroed, or, with
// keep-contents set, holding the overlap with the old frame.
#pragma once

#include <rfb/ConfigurablePixelBuffer.h>

#include <cstddef>

namespace rfb {

class ManagedPixelBuffer : public ConfigurablePixelBuffer {
public:
  ManagedPixelBuffer();
  // Throws std::bad_alloc when memory runs out.
  ManagedPixelBuffer(const PixelFormat& pf, int width, int height);
  ~ManagedPixelBuffer() override;
  ManagedPixelBuffer(const ManagedPixelBuffer&) = delete;
  ManagedPixelBuffer& operator=(const ManagedPixelBuffer&) = delete;

  // Nothing happens for an equal format. Throws std::bad_alloc, or
  // plat::AssertionFail when the frame would need to grow beyond 16-bit
  // coordinates.
  void setPF(const PixelFormat& pf) override;
  // Nothing happens for an unchanged size. Throws as setPF.
  void setSize(int width, int height) override;

  void setKeepContents(bool keep) { keepContents = keep; }
  bool getKeepContents() const { return keepContents; }
  // Bytes the current frame needs.
  size_t sizeBytes() const;
  // Bytes of memory held.
  size_t capacity() const { return capacity_; }

private:
  // Brings the memory to sizeBytes(), zeroed; see the file comment.
  void allocate();
  void install(uint8_t* mem, size_t capacity);

  bool keepContents;
  size_t capacity_;
};

} // namespace rfb
