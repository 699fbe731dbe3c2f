// The package cryptography with OpenSSL's EVP interfaces.
#include "package/Crypto.h"

#include <climits>
#include <new>

#include <openssl/pem.h>
#include <openssl/rsa.h>

#include "package/OpenSslOwners.h"

namespace tvx::crypto {

namespace {

const EVP_MD *DigestOf(HashKind kind)
{
    return kind == HashKind::Sha256 ? EVP_sha256() : EVP_sha512();
}

openssl::Bio PemSource(const std::string &pem)
{
    return openssl::Bio(pem.size() <= INT_MAX ? BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()))
                                              : nullptr);
}

openssl::Key ReadPublicKey(const std::string &pem)
{
    const openssl::Bio source = PemSource(pem);
    return openssl::Key(source ? PEM_read_bio_PUBKEY(source.get(), nullptr, nullptr, nullptr) : nullptr);
}

// A key context set up for PKCS#1 v1.5 with SHA-512 by `init`.
openssl::KeyContext Sha512Context(EVP_PKEY *key, int (*init)(EVP_PKEY_CTX *))
{
    openssl::KeyContext context(key ? EVP_PKEY_CTX_new(key, nullptr) : nullptr);
    if (!context || init(context.get()) != 1 ||
        EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1 ||
        EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha512()) != 1)
        return nullptr;
    return context;
}

} // namespace

int Aes256Cbc(AesDirection direction, const uint8_t key[kAesKeyLength], const uint8_t iv[kAesBlockLength],
              const uint8_t *in, size_t length, uint8_t *out)
{
    const bool encrypt = direction == AesDirection::Encrypt;
    const openssl::CipherContext context(EVP_CIPHER_CTX_new());
    int updated = 0;
    int finished = 0;
    if (!context || length % kAesBlockLength != 0 || length > INT_MAX ||
        EVP_CipherInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, key, iv, encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
        EVP_CipherUpdate(context.get(), out, &updated, in, static_cast<int>(length)) != 1 ||
        EVP_CipherFinal_ex(context.get(), out + updated, &finished) != 1)
        return -1;
    return static_cast<size_t>(updated) + static_cast<size_t>(finished) == length ? 0 : -1;
}

struct Hash::State {
    openssl::DigestContext context;
};

Hash::Hash(HashKind hashKind) : kind(hashKind), state(new (std::nothrow) State)
{
    if (!state)
        return;
    state->context.reset(EVP_MD_CTX_new());
    if (state->context && EVP_DigestInit_ex(state->context.get(), DigestOf(kind), nullptr) != 1)
        state->context.reset();
}

Hash::~Hash()
{
    delete state;
}

int Hash::Add(const void *bytes, size_t length)
{
    return state && state->context && EVP_DigestUpdate(state->context.get(), bytes, length) == 1 ? 0 : -1;
}

int Hash::Finish(uint8_t *digest)
{
    unsigned int length = 0;
    const bool done =
        state && state->context && EVP_DigestFinal_ex(state->context.get(), digest, &length) == 1;
    if (state)
        state->context.reset();
    return done && length == DigestLength(kind) ? 0 : -1;
}

int Digest(HashKind kind, const void *bytes, size_t length, uint8_t *digest)
{
    unsigned int written = 0;
    return EVP_Digest(bytes, length, digest, &written, DigestOf(kind), nullptr) == 1 &&
                   written == DigestLength(kind)
               ? 0
               : -1;
}

int VerifySha512Signature(const std::string &publicKeyPem, const uint8_t digest[kSha512Length],
                          const uint8_t *signature, size_t length)
{
    const openssl::Key key = ReadPublicKey(publicKeyPem);
    const openssl::KeyContext context = Sha512Context(key.get(), EVP_PKEY_verify_init);
    if (!context)
        return -1;
    return EVP_PKEY_verify(context.get(), signature, length, digest, kSha512Length) == 1 ? 0 : 1;
}

int SignSha512Digest(const std::string &privateKeyPem, const uint8_t digest[kSha512Length],
                     std::vector<uint8_t> *signature)
{
    const openssl::Bio source = PemSource(privateKeyPem);
    const openssl::Key key(source ? PEM_read_bio_PrivateKey(source.get(), nullptr, nullptr, nullptr)
                                  : nullptr);
    const openssl::KeyContext context = Sha512Context(key.get(), EVP_PKEY_sign_init);
    size_t length = 0;
    if (!context || EVP_PKEY_sign(context.get(), nullptr, &length, digest, kSha512Length) != 1)
        return -1;
    signature->assign(length, 0);
    if (EVP_PKEY_sign(context.get(), signature->data(), &length, digest, kSha512Length) != 1)
        return -1;
    signature->resize(length);
    return 0;
}

int PublicKeyDer(const std::string &publicKeyPem, std::vector<uint8_t> *der)
{
    const openssl::Key key = ReadPublicKey(publicKeyPem);
    unsigned char *bytes = nullptr;
    const int length = key ? i2d_PUBKEY(key.get(), &bytes) : -1;
    const openssl::Bytes owner(bytes);
    if (length <= 0)
        return -1;
    der->assign(bytes, bytes + length);
    return 0;
}

SignatureShape ShapeOfSignature(const std::string &publicKeyPem, const uint8_t *signature, size_t length)
{
    const openssl::Key key = ReadPublicKey(publicKeyPem);
    const openssl::KeyContext context = Sha512Context(key.get(), EVP_PKEY_verify_recover_init);
    if (!context)
        return SignatureShape::Unknown;
    uint8_t digest[EVP_MAX_MD_SIZE];
    size_t digestLength = sizeof digest;
    return EVP_PKEY_verify_recover(context.get(), digest, &digestLength, signature, length) == 1 &&
                   digestLength == kSha512Length
               ? SignatureShape::Sha512Digest
               : SignatureShape::Other;
}

void Wipe(void *bytes, size_t length)
{
    OPENSSL_cleanse(bytes, length);
}

} // namespace tvx::crypto
