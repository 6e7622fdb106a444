#include "CupsRasterFns.h"

#include <plat/DynamicFn.h>
#include <plat/Exception.h>

namespace cupsraster {

const char* const CupsImageLibrary = "cupsimage[2]";

namespace {

// The function fn is bound to; throws when it is unbound.
template <class F> F bind(const plat::DynamicFn& fn, const char* name)
{
  F f = fn.as<F>();
  if (!f)
    throw plat::DynamicFnLoadFailed(CupsImageLibrary, name);
  return f;
}

} // namespace

cups_raster_t* cupsRasterOpen(int fd, cups_mode_t mode)
{
  static plat::DynamicFn fn(CupsImageLibrary, "cupsRasterOpen");
  return bind<cups_raster_t* (*)(int, cups_mode_t)>(fn, "cupsRasterOpen")(fd,
                                                                          mode);
}

unsigned cupsRasterReadHeader(cups_raster_t* r, cups_page_header_t* h)
{
  static plat::DynamicFn fn(CupsImageLibrary, "cupsRasterReadHeader");
  return bind<unsigned (*)(cups_raster_t*, cups_page_header_t*)>(
      fn, "cupsRasterReadHeader")(r, h);
}

unsigned cupsRasterReadPixels(cups_raster_t* r, unsigned char* p, unsigned len)
{
  static plat::DynamicFn fn(CupsImageLibrary, "cupsRasterReadPixels");
  return bind<unsigned (*)(cups_raster_t*, unsigned char*, unsigned)>(
      fn, "cupsRasterReadPixels")(r, p, len);
}

void cupsRasterClose(cups_raster_t* r)
{
  static plat::DynamicFn fn(CupsImageLibrary, "cupsRasterClose");
  bind<void (*)(cups_raster_t*)>(fn, "cupsRasterClose")(r);
}

} // namespace cupsraster
