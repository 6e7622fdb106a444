// Renders a page file as 8-bit RGB rows, one band of 64 rows at a time,
// into a PNG image, a PDF page, or both at once.
#pragma once

namespace rfb {
class PageReader;
}

namespace agent {

class PngWriter;
class PdfWriter;

// Reads the rest of page (its header already read) into png and pdf, either
// of which may be null. The PDF page is begun and ended here; the PNG image
// is finished. Throws plat::Exception for corrupt page data and the
// writers' errors.
void renderPage(rfb::PageReader& page, PngWriter* png, PdfWriter* pdf);

} // namespace agent
