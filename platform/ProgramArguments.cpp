#include "platform/ProgramArguments.h"

namespace tvx {

ProgramArguments::ProgramArguments(int argc, char **argv) : texts_(Utf8Arguments(argc, argv))
{
    for (std::string &text : texts_)
        pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
}

} // namespace tvx
