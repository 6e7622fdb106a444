// The CUPS imaging library functions the raster reader uses, bound at run
// time from "cupsimage[2]" (the file libcupsimage.so.2).
//
// The program never links the library: <cups/raster.h> supplies only the
// types. Each wrapper has the library function's signature, binds it on
// first use (thread-safe) and throws plat::DynamicFnLoadFailed
// "Function <name> not found in cupsimage[2] library" when the library or
// the function is missing. Call them qualified (cupsraster::...): the
// header's own declarations of the same names are reachable through
// argument-dependent lookup.
#pragma once

#include <cups/raster.h>

namespace cupsraster {

// The library list the wrappers bind from.
extern const char* const CupsImageLibrary;

cups_raster_t* cupsRasterOpen(int fd, cups_mode_t mode);
unsigned cupsRasterReadHeader(cups_raster_t* r, cups_page_header_t* h);
unsigned cupsRasterReadPixels(cups_raster_t* r, unsigned char* p, unsigned len);
void cupsRasterClose(cups_raster_t* r);

} // namespace cupsraster
