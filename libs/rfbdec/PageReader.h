// rfb::PageReader: reads a page file (layout: rfb/PageFileFormat.h) from a
// stream with bounded memory: the header first, then the page data,
// decompressed and decoded one band of 64 rows at a time as it is read.
// For pages too large to hold in memory; PageFile reads a whole file.
#pragma once

#include <rdr/FramedInStream.h>
#include <rfbdec/PageFile.h>
#include <rfbdec/ZRLEDecoder.h>

namespace rfb {

class PageReader {
public:
  // Reads the header and the page message's rectangle header from in (not
  // owned; it must block rather than run dry). Throws plat::Exception when
  // they do not make a page file (as PageFile does) and what in throws.
  explicit PageReader(rdr::InStream& in);
  PageReader(const PageReader&) = delete;
  PageReader& operator=(const PageReader&) = delete;

  const PageFile::Header& header() const { return header_; }

  // Decodes the page in PageFile::pixelFormat() (see
  // ZRLEDecoder::decodeRectBands) and checks that nothing follows the
  // message. Call once.
  void decodeBands(const ZRLEDecoder::BandSink& band);

private:
  rdr::InStream& in_;
  rdr::InStreamV4 frames_;
  PageFile::Header header_;
};

} // namespace rfb
