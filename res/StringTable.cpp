#include "Resources.h"

namespace tvx {

const char *ResourceString(unsigned) { return nullptr; }

} // namespace tvx
