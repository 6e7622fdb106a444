#include <io/Io.h>

namespace io {

Io::~Io() {}

} // namespace io
