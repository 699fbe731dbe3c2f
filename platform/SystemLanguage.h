// The system's own language, before any choice of the process: one
// implementation per system.
#pragma once

#include <cstdint>

namespace tvx {

uint16_t SystemLanguage();

} // namespace tvx
