// The signature block and its check against the built-in verify key.
#include "package/Package.h"

#include <cstring>
#include <new>
#include <string>

#include "package/Crypto.h"

namespace {

#include "res/keys/PackageVerifyKey.inc"
static_assert(sizeof kPackageVerifyKeyPem == 801, "RSA-4096 public key PEM text");

} // namespace

struct SignatureCheck::State {
    tvx::crypto::Hash digest{tvx::crypto::HashKind::Sha512};
    uint8_t signature[kSignatureLength];
};

SignatureCheck::SignatureCheck() : state(new (std::nothrow) State) {}

SignatureCheck::~SignatureCheck()
{
    delete state;
}

bool SignatureCheck::Start(const uint8_t signature[kSignatureLength])
{
    if (!state)
        return false;
    std::memcpy(state->signature, signature, kSignatureLength);
    // A block that does not open with the verify key into a SHA-512 digest
    // (zeros, junk) is refused before the file is read: a huge file with no
    // signature costs nothing then. Where the system cannot tell (CNG has no
    // raw RSA operation), the full check at the end refuses it.
    return tvx::crypto::ShapeOfSignature(kPackageVerifyKeyPem, signature, kSignatureLength) !=
           tvx::crypto::SignatureShape::Other;
}

bool SignatureCheck::Add(const uint8_t *bytes, size_t length)
{
    return state && state->digest.Add(bytes, length) == 0;
}

bool SignatureCheck::Verified()
{
    uint8_t digest[tvx::crypto::kSha512Length];
    return state && state->digest.Finish(digest) == 0 &&
           tvx::crypto::VerifySha512Signature(kPackageVerifyKeyPem, digest, state->signature,
                                              kSignatureLength) == 0;
}
