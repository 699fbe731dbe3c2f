#include "VerifyKeyFingerprint.h"

#include <memory>

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace {

#include "PackageVerifyKey.inc"
#include "PackageVerifyKeyOrigin.inc"

struct BioFree {
    void operator()(BIO *bio) const { BIO_free(bio); }
};
struct KeyFree {
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
struct OpenSslFree {
    void operator()(unsigned char *bytes) const { OPENSSL_free(bytes); }
};

} // namespace

int GetVerifyKeyFingerprint(VerifyKeyFingerprint *fingerprint)
{
    const std::unique_ptr<BIO, BioFree> source(BIO_new_mem_buf(kPackageVerifyKeyPem, -1));
    const std::unique_ptr<EVP_PKEY, KeyFree> key(
        source ? PEM_read_bio_PUBKEY(source.get(), nullptr, nullptr, nullptr) : nullptr);
    if (!key)
        return -1;
    unsigned char *der = nullptr;
    const int length = i2d_PUBKEY(key.get(), &der);
    const std::unique_ptr<unsigned char, OpenSslFree> derOwner(der);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (length <= 0 || EVP_Digest(der, static_cast<size_t>(length), digest, &digestLength,
                                  EVP_sha256(), nullptr) != 1)
        return -1;
    static constexpr char kHexDigits[] = "0123456789abcdef";
    fingerprint->sha256.clear();
    for (unsigned int i = 0; i < digestLength; ++i) {
        fingerprint->sha256 += kHexDigits[digest[i] >> 4];
        fingerprint->sha256 += kHexDigits[digest[i] & 0x0F];
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
