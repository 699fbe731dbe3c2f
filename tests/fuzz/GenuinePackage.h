// Packages signed with the development key, for the harnesses that reach the
// loader through real files. A fuzzer cannot forge an RSA signature: these
// harnesses start from genuine packages and let the input change them, or
// name them, around the signature check.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "package/PackageWriter.h"
#include "tests/fuzz/FuzzSupport.h"

namespace tvx::fuzz {

inline void WriteGenuinePackage(const std::string &path, const PackageContents &contents)
{
    PackageSigning signing;
    std::ifstream key(TVX_DEV_KEYS_DIR "/package-signing.pem");
    signing.signingKeyPem.assign(std::istreambuf_iterator<char>(key), std::istreambuf_iterator<char>());
    BuildContentKey(signing.contentKey.data());
    std::string error;
    Expect(WritePackage(path, contents, signing, &error), "genuine package written");
}

} // namespace tvx::fuzz
