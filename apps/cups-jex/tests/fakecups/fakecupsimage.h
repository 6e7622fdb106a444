// The scripted stream format of the test double of the CUPS imaging
// library, shared by the double and the tests that write such streams.
#pragma once

#include <cups/raster.h>

#define FAKE_CUPS_PAGE_TAG "PAGE"
