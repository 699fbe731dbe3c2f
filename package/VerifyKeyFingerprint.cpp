#include "package/VerifyKeyFingerprint.h"

#include <cstdint>
#include <vector>

#include "package/Crypto.h"

namespace {

#include "res/keys/PackageVerifyKey.inc"
#include "res/keys/PackageVerifyKeyOrigin.inc"

} // namespace

int GetVerifyKeyFingerprint(VerifyKeyFingerprint *fingerprint)
{
    std::vector<uint8_t> der;
    uint8_t digest[tvx::crypto::kSha256Length];
    if (tvx::crypto::PublicKeyDer(kPackageVerifyKeyPem, &der) != 0 ||
        tvx::crypto::Digest(tvx::crypto::HashKind::Sha256, der.data(), der.size(), digest) != 0)
        return -1;
    static constexpr char kHexDigits[] = "0123456789abcdef";
    fingerprint->sha256.clear();
    for (const uint8_t byte : digest) {
        fingerprint->sha256 += kHexDigits[byte >> 4];
        fingerprint->sha256 += kHexDigits[byte & 0x0F];
    }
    fingerprint->development = kPackageVerifyKeyIsDevelopment;
    return 0;
}

std::string VerifyKeyDescription()
{
    VerifyKeyFingerprint fingerprint;
    if (GetVerifyKeyFingerprint(&fingerprint) != 0)
        return "package verify key unreadable";
    return "package verify key SHA-256 " + fingerprint.sha256 +
           (fingerprint.development ? " (development key)" : "");
}
