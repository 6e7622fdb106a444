// The fuzz targets: one entry function per parser of untrusted input. Each
// takes any bytes and returns 0; the refusals the code promises are caught
// inside, anything else (crash, assertion, sanitizer report, other exception,
// hang, failed FUZZ_CHECK) is a fault. Each is its own libFuzzer program
// fuzz_<name> (JEX_FUZZ); fuzz_corpus_tests replays fuzz/corpus/<name>/.
#pragma once

#include <cstddef>
#include <cstdint>

#define JEX_FUZZ_TARGETS(X)                                                    \
  X(framedIn)                                                                  \
  X(zrleDecode)                                                                \
  X(pageFile)                                                                  \
  X(deviceUri)                                                                 \
  X(cupsRaster)                                                                \
  X(msgReader)                                                                 \
  X(endpoint)

namespace jexfuzz {

#define JEX_FUZZ_DECLARE(name)                                                 \
  int fuzz_##name(const uint8_t* data, size_t size);
JEX_FUZZ_TARGETS(JEX_FUZZ_DECLARE)
#undef JEX_FUZZ_DECLARE

struct FuzzTarget {
  const char* name;
  int (*entry)(const uint8_t* data, size_t size);
};

// Ends with a null name.
#define JEX_FUZZ_LIST_ENTRY(name) {#name, fuzz_##name},
inline const FuzzTarget fuzzTargets[] = {
    JEX_FUZZ_TARGETS(JEX_FUZZ_LIST_ENTRY){nullptr, nullptr}};
#undef JEX_FUZZ_LIST_ENTRY

} // namespace jexfuzz
