// Environment variables the program changes for itself.
#pragma once

#include <cstdlib>

namespace tvx {

// Removes `name` from this process's environment.
inline void UnsetEnvironmentVariable(const char *name)
{
#ifdef _WIN32
    _putenv_s(name, ""); // an empty value removes it there
#else
    unsetenv(name);
#endif
}

} // namespace tvx
