#include "tools/cli/ToolVersion.h"

#include "package/VerifyKeyFingerprint.h"

namespace tvx::cli {

void PrintToolVersion(std::ostream &out, const char *program)
{
    out << program << " " TVX_VERSION "\n" << VerifyKeyDescription() << "\n";
}

} // namespace tvx::cli
