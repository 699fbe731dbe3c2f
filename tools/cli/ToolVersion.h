// The --version text of the tools.
#pragma once

#include <ostream>

namespace tvx::cli {

// "<program> <version>" (the first line is what help2man reads), then the
// fingerprint of the key the build verifies packages with, so that a build
// made with the development key is seen for what it is.
void PrintToolVersion(std::ostream &out, const char *program);

} // namespace tvx::cli
