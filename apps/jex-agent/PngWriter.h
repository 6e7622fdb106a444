// agent::PngWriter: one 8-bit RGB image written row by row into a
// descriptor through libpng. The page's physical size becomes the image's
// pixels per metre, so that a viewer prints it at the right size.
#pragma once

#include <cstdint>

namespace agent {

class PngWriter {
public:
  // physWidth and physHeight are in tenths of a millimetre; 0 leaves the
  // resolution out. fd is not owned. level is a zlib compression level.
  // Throws plat::Exception when libpng cannot start.
  PngWriter(int fd, uint32_t width, uint32_t height, uint32_t physWidth,
            uint32_t physHeight, int level = 3);
  ~PngWriter();
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;

  // The next row: width RGB triples. Throws plat::Exception (or
  // plat::SystemException "write") when libpng or the file fails.
  void writeRow(const uint8_t* rgb);
  // Ends the image after its last row. Throws as writeRow.
  void finish();

  // Pixels per metre for a side of `pixels` that measures `tenthsMm`.
  static uint32_t pixelsPerMetre(uint32_t pixels, uint32_t tenthsMm);

  // libpng's state and what its callbacks report; opaque.
  struct State;

private:
  State* s_;
};

} // namespace agent
