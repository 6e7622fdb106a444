// agent::PdfWriter: a PDF document of page images, written page by page
// and row by row, so that memory stays at the compressor's buffers however
// large the pages are.
//
// Each page is one Flate-compressed 8-bit RGB image XObject drawn over the
// whole page, whose MediaBox is the page's physical size. Objects per page
// (page i, counting from 0; object 1 is the catalogue, 2 the page tree,
// written last):
//   3 + 4i  the page          5 + 4i  the image
//   4 + 4i  its content       6 + 4i  the image's length, known only after
//                                     it is compressed
#pragma once

#include <rdr/FileOutStream.h>
#include <rdr/ZlibOutStream.h>

#include <cstdint>
#include <string>
#include <vector>

namespace agent {

class PdfWriter {
public:
  // Writes into fd, which is taken over. level is a zlib compression level.
  explicit PdfWriter(int fd, int level = 3);
  ~PdfWriter();
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;

  // Starts a page of width x height pixels measuring physWidth x physHeight
  // tenths of a millimetre (0: one pixel per point).
  void beginPage(uint32_t width, uint32_t height, uint32_t physWidth,
                 uint32_t physHeight);
  // The page's next row: width RGB triples.
  void writeRow(const uint8_t* rgb);
  void endPage();
  // Writes the page tree, the cross-reference table and the trailer and
  // flushes. Write failures anywhere throw plat::Exception (a full disk
  // shows here at the latest).
  void finish();

private:
  void beginObject(unsigned number);
  void text(const std::string& s);

  rdr::FileOutStream out_;
  rdr::ZlibOutStream zlib_;
  std::vector<size_t> offsets_; // by object number - 1
  unsigned pages_;
  size_t rowBytes_;
  size_t imageStart_;
};

} // namespace agent
