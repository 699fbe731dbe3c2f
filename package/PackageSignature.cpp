// The signature block and its check against the built-in verify key.
#include "Package.h"

#include <cstring>
#include <memory>
#include <new>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

namespace {

#include "PackageVerifyKey.inc"
static_assert(sizeof kPackageVerifyKeyPem == 801, "RSA-4096 public key PEM text");

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

struct SignatureCheck::State {
    std::unique_ptr<EVP_PKEY, KeyFree> key;
    std::unique_ptr<EVP_MD_CTX, DigestFree> digest;
    uint8_t signature[kSignatureLength];
};

SignatureCheck::SignatureCheck() : state(new (std::nothrow) State) {}

SignatureCheck::~SignatureCheck() { delete state; }

bool SignatureCheck::Start(const uint8_t signature[kSignatureLength])
{
    if (!state)
        return false;
    state->key = ReadVerifyKey();
    state->digest.reset(EVP_MD_CTX_new());
    std::memcpy(state->signature, signature, kSignatureLength);
    return state->key && state->digest && SignatureOpens(state->key.get(), signature) &&
           EVP_DigestVerifyInit(state->digest.get(), nullptr, EVP_sha512(), nullptr, state->key.get()) == 1;
}

bool SignatureCheck::Add(const uint8_t *bytes, size_t length)
{
    return state && state->digest && EVP_DigestVerifyUpdate(state->digest.get(), bytes, length) == 1;
}

bool SignatureCheck::Verified()
{
    return state && state->digest &&
           EVP_DigestVerifyFinal(state->digest.get(), state->signature, kSignatureLength) == 1;
}
