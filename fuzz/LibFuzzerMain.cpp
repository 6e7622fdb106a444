// The libFuzzer entry of one target, chosen at compile time by
// JEX_FUZZ_ENTRY (see CMakeLists.txt).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  return jexfuzz::JEX_FUZZ_ENTRY(data, size);
}
