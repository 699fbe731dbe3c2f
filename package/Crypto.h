// The cryptography the package format uses, behind one interface: OpenSSL on
// Linux (CryptoOpenSsl.cpp), CNG on Windows (CryptoWindows.cpp). Keys come as
// PEM text; every call reports failure by its result, never by an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tvx::crypto {

inline constexpr size_t kSha256Length = 32;
inline constexpr size_t kSha512Length = 64;
inline constexpr size_t kAesKeyLength = 32;
inline constexpr size_t kAesBlockLength = 16;

enum class HashKind { Sha256, Sha512 };

inline constexpr size_t DigestLength(HashKind kind)
{
    return kind == HashKind::Sha256 ? kSha256Length : kSha512Length;
}

// A digest over bytes handed in piece by piece.
class Hash {
public:
    explicit Hash(HashKind kind);
    ~Hash();
    Hash(const Hash &) = delete;
    Hash &operator=(const Hash &) = delete;

    // 0, or -1 when the hash could not be set up or took no more bytes.
    int Add(const void *bytes, size_t length);
    // Writes DigestLength(kind) bytes: 0, or -1. The hash is spent after it.
    int Finish(uint8_t *digest);

private:
    struct State;
    HashKind kind;
    State *state;
};

// The digest of one run of bytes: 0, or -1.
int Digest(HashKind kind, const void *bytes, size_t length, uint8_t *digest);

// RSASSA-PKCS1-v1_5 with SHA-512: 0 when `signature` signs the SHA-512
// `digest` under the public key (PEM SubjectPublicKeyInfo), 1 when it does
// not, -1 when the key cannot be used.
int VerifySha512Signature(const std::string &publicKeyPem, const uint8_t digest[kSha512Length],
                          const uint8_t *signature, size_t length);

// The signature of a SHA-512 `digest` with an RSA private key (PEM, PKCS#8 or
// PKCS#1), as long as the key's modulus: 0, or -1.
int SignSha512Digest(const std::string &privateKeyPem, const uint8_t digest[kSha512Length],
                     std::vector<uint8_t> *signature);

// The DER SubjectPublicKeyInfo of a public key in PEM: 0, or -1.
int PublicKeyDer(const std::string &publicKeyPem, std::vector<uint8_t> *der);

// Whether an RSA public-key operation on `signature` gives a PKCS#1 v1.5
// block holding a SHA-512 DigestInfo, which needs no signed bytes. Only a
// shortcut for refusing junk early: the full check decides.
enum class SignatureShape { Sha512Digest, Other, Unknown };
SignatureShape ShapeOfSignature(const std::string &publicKeyPem, const uint8_t *signature, size_t length);

// AES-256-CBC without padding (the caller pads and checks the padding):
// `length` is a multiple of kAesBlockLength; `out` holds `length` bytes and
// may be `in`. 0, or -1.
enum class AesDirection { Encrypt, Decrypt };
int Aes256Cbc(AesDirection direction, const uint8_t key[kAesKeyLength], const uint8_t iv[kAesBlockLength],
              const uint8_t *in, size_t length, uint8_t *out);

// Overwrites secret bytes in a way the compiler keeps.
void Wipe(void *bytes, size_t length);

} // namespace tvx::crypto
