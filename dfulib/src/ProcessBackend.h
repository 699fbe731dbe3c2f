// The one backend that serves the library calls of this process.
#pragma once

#include <memory>

#include "dfulib/src/Backend.h"

namespace tvxdfu {

// Chosen at the first call: the simulator when TVX_SIMULATOR is set (a
// scenario file path, or "demo"), real USB otherwise.
Backend &ProcessBackend();

// Puts another backend in place of the current one. Only for in-process
// control (tests, the wizard driver); no library call may run meanwhile.
void ReplaceProcessBackend(std::unique_ptr<Backend> backend);

} // namespace tvxdfu
