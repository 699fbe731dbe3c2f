#include "platform/ProgramArguments.h"

namespace tvx {

std::vector<std::string> Utf8Arguments(int argc, char **argv)
{
    return {argv, argv + argc};
}

} // namespace tvx
