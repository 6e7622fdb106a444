#include <loc/Translation.h>

namespace loc {

const Translation* const* Translation::builtin(size_t& count)
{
  static const Translation* const tables[] = {
      &translation_en_US, &translation_de_DE, &translation_es_ES,
      &translation_fr_FR, &translation_pt_BR,
  };
  count = sizeof(tables) / sizeof(tables[0]);
  return tables;
}

} // namespace loc
