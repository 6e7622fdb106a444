#include "FuzzTargets.h"

namespace jexfuzz {

#define JEX_FUZZ_ENTRY(name) {#name, fuzz_##name},
const FuzzTarget fuzzTargets[] = {
  JEX_FUZZ_TARGETS(JEX_FUZZ_ENTRY)
  {nullptr, nullptr},
};
#undef JEX_FUZZ_ENTRY

} // namespace jexfuzz
