// The fuzz targets: one entry function per parser of untrusted input.
//
// Each function takes one input of any length and bytes, drives the code
// under test with it and returns 0. Refusals the code promises (its
// plat::Exception family) are caught inside; a crash, a fatal assertion, a
// sanitizer report, an unexpected exception type, a hang or a failed
// FUZZ_CHECK is a fault. The functions may be called any number of times in
// one process, in any order.
//
// Each target is built as its own libFuzzer program fuzz_<name> (JEX_FUZZ),
// and its corpus, fuzz/corpus/<name>/, is replayed by the fuzz_corpus_tests
// test program of the normal suite.
#pragma once

#include <cstddef>
#include <cstdint>

// X(name): one line per target; the entry function is fuzz_<name>.
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

// Every target, in the order of JEX_FUZZ_TARGETS; ends with a null name.
#define JEX_FUZZ_LIST_ENTRY(name) {#name, fuzz_##name},
inline const FuzzTarget fuzzTargets[] = {
    JEX_FUZZ_TARGETS(JEX_FUZZ_LIST_ENTRY){nullptr, nullptr}};
#undef JEX_FUZZ_LIST_ENTRY

} // namespace jexfuzz
