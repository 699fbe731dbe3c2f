// The signature block and its check against the built-in verify key.
#include "Package.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include "FileLength.h"

namespace {

#include "PackageVerifyKey.inc"
static_assert(sizeof kPackageVerifyKeyPem == 801, "RSA-4096 public key PEM text");

// The signed bytes pass through a buffer of this size, never the whole file.
constexpr size_t kDigestChunk = 1 << 20;

struct BioFree {
    void operator()(BIO *bio) const { BIO_free(bio); }
};
struct KeyFree {
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
struct KeyContextFree {
    void operator()(EVP_PKEY_CTX *context) const { EVP_PKEY_CTX_free(context); }
};
struct DigestFree {
    void operator()(EVP_MD_CTX *context) const { EVP_MD_CTX_free(context); }
};
struct MemoryFree {
    void operator()(uint8_t *buffer) const { std::free(buffer); }
};

std::unique_ptr<EVP_PKEY, KeyFree> ReadVerifyKey()
{
    std::unique_ptr<BIO, BioFree> source(BIO_new_mem_buf(kPackageVerifyKeyPem, -1));
    if (!source)
        return nullptr;
    return std::unique_ptr<EVP_PKEY, KeyFree>(PEM_read_bio_PUBKEY(source.get(), nullptr, nullptr, nullptr));
}

// Whether the block opens with the verify key into a SHA-512 digest. One that
// does not (zeros, junk) is refused before the file is read: a huge file
// with no signature costs nothing then.
bool SignatureOpens(EVP_PKEY *key, const uint8_t signature[kSignatureLength])
{
    const std::unique_ptr<EVP_PKEY_CTX, KeyContextFree> context(EVP_PKEY_CTX_new(key, nullptr));
    uint8_t digest[EVP_MAX_MD_SIZE];
    size_t length = sizeof digest;
    return context && EVP_PKEY_verify_recover_init(context.get()) == 1 &&
           EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) == 1 &&
           EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha512()) == 1 &&
           EVP_PKEY_verify_recover(context.get(), digest, &length, signature, kSignatureLength) == 1 &&
           length == 64;
}

} // namespace

bool ReadSignatureBlock(FILE *file, int32_t *signedLength, uint8_t signature[kSignatureLength])
{
    *signedLength = 0;
    const int64_t length = FileLength(file);
    if (length < kSignatureLength || length - kSignatureLength > INT32_MAX ||
        fseeko(file, length - kSignatureLength, SEEK_SET) != 0)
        return false;
    *signedLength = static_cast<int32_t>(length - kSignatureLength);
    return std::fread(signature, 1, kSignatureLength, file) == kSignatureLength;
}

bool VerifyPackageSignature(FILE *file, int32_t signedLength, const uint8_t signature[kSignatureLength])
{
    if (signedLength <= 0 || fseeko(file, 0, SEEK_SET) != 0)
        return false;
    const auto key = ReadVerifyKey();
    const std::unique_ptr<EVP_MD_CTX, DigestFree> digest(EVP_MD_CTX_new());
    const std::unique_ptr<uint8_t, MemoryFree> chunk(static_cast<uint8_t *>(std::malloc(kDigestChunk)));
    if (!key || !digest || !chunk || !SignatureOpens(key.get(), signature) ||
        EVP_DigestVerifyInit(digest.get(), nullptr, EVP_sha512(), nullptr, key.get()) != 1)
        return false;
    for (size_t left = static_cast<size_t>(signedLength); left > 0;) {
        const size_t wanted = left < kDigestChunk ? left : kDigestChunk;
        if (std::fread(chunk.get(), 1, wanted, file) != wanted ||
            EVP_DigestVerifyUpdate(digest.get(), chunk.get(), wanted) != 1)
            return false;
        left -= wanted;
    }
    return EVP_DigestVerifyFinal(digest.get(), signature, kSignatureLength) == 1;
}
