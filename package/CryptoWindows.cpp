// The package cryptography with Windows' CNG. Keys are decoded by Windows'
// own certificate functions (PEM, SubjectPublicKeyInfo, PKCS#8, PKCS#1) into
// the key blobs CNG imports.
#include "package/Crypto.h"

#include <windows.h>

#include <bcrypt.h>
#include <wincrypt.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

namespace tvx::crypto {

namespace {

struct AlgorithmClose {
    void operator()(void *handle) const { BCryptCloseAlgorithmProvider(handle, 0); }
};
struct KeyDestroy {
    void operator()(void *handle) const { BCryptDestroyKey(handle); }
};
struct HashDestroy {
    void operator()(void *handle) const { BCryptDestroyHash(handle); }
};
struct LocalRelease {
    void operator()(void *memory) const { LocalFree(memory); }
};
using Algorithm = std::unique_ptr<void, AlgorithmClose>;
using Key = std::unique_ptr<void, KeyDestroy>;
using HashObject = std::unique_ptr<void, HashDestroy>;
template <typename T>
using Decoded = std::unique_ptr<T, LocalRelease>;

Algorithm OpenAlgorithm(const wchar_t *name)
{
    BCRYPT_ALG_HANDLE handle = nullptr;
    return Algorithm(BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0)) ? handle
                                                                                            : nullptr);
}

const wchar_t *AlgorithmOf(HashKind kind)
{
    return kind == HashKind::Sha256 ? BCRYPT_SHA256_ALGORITHM : BCRYPT_SHA512_ALGORITHM;
}

// The DER bytes of the first PEM block labelled `label`, if there is one.
bool PemBlock(const std::string &pem, const char *label, std::vector<uint8_t> *der)
{
    const std::string begin = std::string("-----BEGIN ") + label + "-----";
    const size_t start = pem.find(begin);
    if (start == std::string::npos || pem.size() - start > UINT_MAX)
        return false;
    const char *text = pem.data() + start;
    const auto length = static_cast<DWORD>(pem.size() - start);
    DWORD size = 0;
    if (!CryptStringToBinaryA(text, length, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
        return false;
    der->resize(size);
    return CryptStringToBinaryA(text, length, CRYPT_STRING_BASE64HEADER, der->data(), &size, nullptr,
                                nullptr) &&
           (der->resize(size), size > 0);
}

template <typename T>
Decoded<T> Decode(LPCSTR type, const uint8_t *der, size_t length, DWORD *size)
{
    void *decoded = nullptr;
    if (length > UINT_MAX ||
        !CryptDecodeObjectEx(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, type, der, static_cast<DWORD>(length),
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &decoded, size))
        return nullptr;
    return Decoded<T>(static_cast<T *>(decoded));
}

// CryptoAPI key blobs hold their numbers least significant byte first, CNG's
// most significant first.
void AppendReversed(std::vector<uint8_t> *blob, const uint8_t *bytes, size_t length)
{
    blob->insert(blob->end(), std::make_reverse_iterator(bytes + length), std::make_reverse_iterator(bytes));
}

// The public exponent as CNG wants it: big-endian, without leading zeros.
void AppendExponent(std::vector<uint8_t> *blob, DWORD exponent)
{
    bool started = false;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto byte = static_cast<uint8_t>(exponent >> shift);
        started = started || byte != 0;
        if (started)
            blob->push_back(byte);
    }
}

size_t ExponentLength(DWORD exponent)
{
    size_t length = 0;
    for (; exponent != 0; exponent >>= 8)
        ++length;
    return length;
}

// A CryptoAPI RSA key blob (PUBLICKEYBLOB or PRIVATEKEYBLOB) with its header.
struct LegacyRsaBlob {
    const RSAPUBKEY *key;
    const uint8_t *numbers; // modulus first, then the private numbers
    size_t modulusLength;
};

bool ReadLegacyBlob(const uint8_t *blob, DWORD size, DWORD magic, size_t halfLengths, LegacyRsaBlob *out)
{
    constexpr size_t kHeaders = sizeof(BLOBHEADER) + sizeof(RSAPUBKEY);
    if (size < kHeaders)
        return false;
    out->key = reinterpret_cast<const RSAPUBKEY *>(blob + sizeof(BLOBHEADER));
    out->numbers = blob + kHeaders;
    out->modulusLength = out->key->bitlen / 8;
    // A private blob holds the modulus, five half-length numbers and the
    // private exponent: 9 half-lengths in all.
    return out->key->magic == magic && out->key->bitlen % 16 == 0 && out->modulusLength > 0 &&
           size - kHeaders >= out->modulusLength / 2 * halfLengths;
}

Key ImportKey(const wchar_t *blobType, const std::vector<uint8_t> &blob)
{
    const Algorithm rsa = OpenAlgorithm(BCRYPT_RSA_ALGORITHM);
    BCRYPT_KEY_HANDLE handle = nullptr;
    if (!rsa || !BCRYPT_SUCCESS(BCryptImportKeyPair(rsa.get(), nullptr, blobType, &handle,
                                                    const_cast<PUCHAR>(blob.data()),
                                                    static_cast<ULONG>(blob.size()), 0)))
        return nullptr;
    return Key(handle);
}

// The SubjectPublicKeyInfo of an RSA key in PEM, decoded.
Decoded<CERT_PUBLIC_KEY_INFO> DecodePublicKeyInfo(const std::string &pem, std::vector<uint8_t> *der)
{
    DWORD size = 0;
    if (!PemBlock(pem, "PUBLIC KEY", der))
        return nullptr;
    Decoded<CERT_PUBLIC_KEY_INFO> info =
        Decode<CERT_PUBLIC_KEY_INFO>(X509_PUBLIC_KEY_INFO, der->data(), der->size(), &size);
    if (!info || !info->Algorithm.pszObjId || std::strcmp(info->Algorithm.pszObjId, szOID_RSA_RSA) != 0)
        return nullptr;
    return info;
}

Key ImportPublicKey(const std::string &pem)
{
    std::vector<uint8_t> der;
    const Decoded<CERT_PUBLIC_KEY_INFO> info = DecodePublicKeyInfo(pem, &der);
    DWORD size = 0;
    const Decoded<uint8_t> legacy =
        info ? Decode<uint8_t>(RSA_CSP_PUBLICKEYBLOB, info->PublicKey.pbData, info->PublicKey.cbData, &size)
             : nullptr;
    LegacyRsaBlob rsa{};
    if (!legacy || !ReadLegacyBlob(legacy.get(), size, 0x31415352 /* "RSA1" */, 2, &rsa))
        return nullptr;
    BCRYPT_RSAKEY_BLOB header{};
    header.Magic = BCRYPT_RSAPUBLIC_MAGIC;
    header.BitLength = rsa.key->bitlen;
    header.cbPublicExp = static_cast<ULONG>(ExponentLength(rsa.key->pubexp));
    header.cbModulus = static_cast<ULONG>(rsa.modulusLength);
    std::vector<uint8_t> blob(reinterpret_cast<const uint8_t *>(&header),
                              reinterpret_cast<const uint8_t *>(&header) + sizeof header);
    AppendExponent(&blob, rsa.key->pubexp);
    AppendReversed(&blob, rsa.numbers, rsa.modulusLength);
    return ImportKey(BCRYPT_RSAPUBLIC_BLOB, blob);
}

// The PKCS#1 RSAPrivateKey of a PEM key, unwrapped from PKCS#8 when it is:
// SEQUENCE { version, SEQUENCE { OID rsaEncryption, ... }, OCTET STRING }.
// Wine's crypt32 has no PKCS#8 decoder (PKCS_PRIVATE_KEY_INFO), so the
// generic sequence and octet string decoders, which Windows has as well,
// take it apart.
bool RsaPrivateKeyDer(const std::string &pem, std::vector<uint8_t> *der)
{
    if (PemBlock(pem, "RSA PRIVATE KEY", der))
        return true;
    static constexpr uint8_t kRsaEncryption[] = {0x06, 0x09, 0x2a, 0x86, 0x48, 0x86,
                                                 0xf7, 0x0d, 0x01, 0x01, 0x01};
    DWORD size = 0;
    const Decoded<CRYPT_SEQUENCE_OF_ANY> info =
        PemBlock(pem, "PRIVATE KEY", der)
            ? Decode<CRYPT_SEQUENCE_OF_ANY>(X509_SEQUENCE_OF_ANY, der->data(), der->size(), &size)
            : nullptr;
    if (!info || info->cValue < 3)
        return false;
    const CRYPT_DER_BLOB &algorithmDer = info->rgValue[1];
    const Decoded<CRYPT_SEQUENCE_OF_ANY> algorithm =
        Decode<CRYPT_SEQUENCE_OF_ANY>(X509_SEQUENCE_OF_ANY, algorithmDer.pbData, algorithmDer.cbData, &size);
    if (!algorithm || algorithm->cValue < 1 || algorithm->rgValue[0].cbData != sizeof kRsaEncryption ||
        std::memcmp(algorithm->rgValue[0].pbData, kRsaEncryption, sizeof kRsaEncryption) != 0)
        return false;
    const CRYPT_DER_BLOB &keyDer = info->rgValue[2];
    const Decoded<CRYPT_DATA_BLOB> key =
        Decode<CRYPT_DATA_BLOB>(X509_OCTET_STRING, keyDer.pbData, keyDer.cbData, &size);
    if (!key)
        return false;
    SecureZeroMemory(der->data(), der->size());
    der->assign(key->pbData, key->pbData + key->cbData);
    SecureZeroMemory(key->pbData, key->cbData);
    return true;
}

Key ImportPrivateKey(const std::string &pem)
{
    std::vector<uint8_t> der;
    DWORD size = 0;
    const Decoded<uint8_t> legacy = RsaPrivateKeyDer(pem, &der)
                                        ? Decode<uint8_t>(PKCS_RSA_PRIVATE_KEY, der.data(), der.size(), &size)
                                        : nullptr;
    LegacyRsaBlob rsa{};
    if (!legacy || !ReadLegacyBlob(legacy.get(), size, 0x32415352 /* "RSA2" */, 9, &rsa)) {
        if (!der.empty())
            SecureZeroMemory(der.data(), der.size());
        return nullptr;
    }
    const size_t half = rsa.modulusLength / 2;
    BCRYPT_RSAKEY_BLOB header{};
    header.Magic = BCRYPT_RSAFULLPRIVATE_MAGIC;
    header.BitLength = rsa.key->bitlen;
    header.cbPublicExp = static_cast<ULONG>(ExponentLength(rsa.key->pubexp));
    header.cbModulus = static_cast<ULONG>(rsa.modulusLength);
    header.cbPrime1 = static_cast<ULONG>(half);
    header.cbPrime2 = static_cast<ULONG>(half);
    std::vector<uint8_t> blob(reinterpret_cast<const uint8_t *>(&header),
                              reinterpret_cast<const uint8_t *>(&header) + sizeof header);
    AppendExponent(&blob, rsa.key->pubexp);
    // Modulus, prime1, prime2, exponent1, exponent2, coefficient, private
    // exponent: the same order in both blob forms.
    const size_t lengths[] = {rsa.modulusLength, half, half, half, half, half, rsa.modulusLength};
    const uint8_t *number = rsa.numbers;
    for (const size_t length : lengths) {
        AppendReversed(&blob, number, length);
        number += length;
    }
    Key key = ImportKey(BCRYPT_RSAFULLPRIVATE_BLOB, blob);
    SecureZeroMemory(blob.data(), blob.size());
    SecureZeroMemory(der.data(), der.size());
    SecureZeroMemory(legacy.get(), size);
    return key;
}

BCRYPT_PKCS1_PADDING_INFO Sha512Padding()
{
    BCRYPT_PKCS1_PADDING_INFO padding{};
    padding.pszAlgId = BCRYPT_SHA512_ALGORITHM;
    return padding;
}

} // namespace

int Aes256Cbc(AesDirection direction, const uint8_t keyBytes[kAesKeyLength],
              const uint8_t ivBytes[kAesBlockLength], const uint8_t *in, size_t length, uint8_t *out)
{
    const bool encrypt = direction == AesDirection::Encrypt;
    if (length % kAesBlockLength != 0 || length > ULONG_MAX)
        return -1;
    const Algorithm aes = OpenAlgorithm(BCRYPT_AES_ALGORITHM);
    BCRYPT_KEY_HANDLE handle = nullptr;
    if (!aes ||
        !BCRYPT_SUCCESS(
            BCryptSetProperty(aes.get(), BCRYPT_CHAINING_MODE,
                              reinterpret_cast<PUCHAR>(const_cast<wchar_t *>(BCRYPT_CHAIN_MODE_CBC)),
                              sizeof BCRYPT_CHAIN_MODE_CBC, 0)) ||
        !BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(aes.get(), &handle, nullptr, 0,
                                                   const_cast<PUCHAR>(keyBytes), kAesKeyLength, 0)))
        return -1;
    const Key key(handle);
    uint8_t iv[kAesBlockLength]; // CNG overwrites the IV it is given
    std::memcpy(iv, ivBytes, sizeof iv);
    const auto count = static_cast<ULONG>(length);
    ULONG done = 0;
    // No padding flag: the callers pad and check the padding themselves.
    const NTSTATUS status = encrypt ? BCryptEncrypt(key.get(), const_cast<PUCHAR>(in), count, nullptr, iv,
                                                    sizeof iv, out, count, &done, 0)
                                    : BCryptDecrypt(key.get(), const_cast<PUCHAR>(in), count, nullptr, iv,
                                                    sizeof iv, out, count, &done, 0);
    return BCRYPT_SUCCESS(status) && done == count ? 0 : -1;
}

struct Hash::State {
    Algorithm algorithm;
    HashObject hash;
};

Hash::Hash(HashKind hashKind) : kind(hashKind), state(new (std::nothrow) State)
{
    if (!state)
        return;
    state->algorithm = OpenAlgorithm(AlgorithmOf(kind));
    BCRYPT_HASH_HANDLE handle = nullptr;
    if (state->algorithm &&
        BCRYPT_SUCCESS(BCryptCreateHash(state->algorithm.get(), &handle, nullptr, 0, nullptr, 0, 0)))
        state->hash.reset(handle);
}

Hash::~Hash()
{
    delete state;
}

int Hash::Add(const void *bytes, size_t length)
{
    if (!state || !state->hash)
        return -1;
    auto *next = static_cast<PUCHAR>(const_cast<void *>(bytes));
    for (; length > 0;) {
        const ULONG piece = static_cast<ULONG>(std::min<size_t>(length, ULONG_MAX));
        if (!BCRYPT_SUCCESS(BCryptHashData(state->hash.get(), next, piece, 0)))
            return -1;
        next += piece;
        length -= piece;
    }
    return 0;
}

int Hash::Finish(uint8_t *digest)
{
    const bool done = state && state->hash &&
                      BCRYPT_SUCCESS(BCryptFinishHash(state->hash.get(), digest,
                                                      static_cast<ULONG>(DigestLength(kind)), 0));
    if (state)
        state->hash.reset();
    return done ? 0 : -1;
}

int Digest(HashKind kind, const void *bytes, size_t length, uint8_t *digest)
{
    Hash hash(kind);
    return hash.Add(bytes, length) == 0 ? hash.Finish(digest) : -1;
}

int VerifySha512Signature(const std::string &publicKeyPem, const uint8_t digest[kSha512Length],
                          const uint8_t *signature, size_t length)
{
    const Key key = ImportPublicKey(publicKeyPem);
    if (!key)
        return -1;
    if (length > ULONG_MAX)
        return 1;
    BCRYPT_PKCS1_PADDING_INFO padding = Sha512Padding();
    return BCRYPT_SUCCESS(BCryptVerifySignature(key.get(), &padding, const_cast<PUCHAR>(digest),
                                                kSha512Length, const_cast<PUCHAR>(signature),
                                                static_cast<ULONG>(length), BCRYPT_PAD_PKCS1))
               ? 0
               : 1;
}

int SignSha512Digest(const std::string &privateKeyPem, const uint8_t digest[kSha512Length],
                     std::vector<uint8_t> *signature)
{
    const Key key = ImportPrivateKey(privateKeyPem);
    BCRYPT_PKCS1_PADDING_INFO padding = Sha512Padding();
    ULONG length = 0;
    if (!key || !BCRYPT_SUCCESS(BCryptSignHash(key.get(), &padding, const_cast<PUCHAR>(digest), kSha512Length,
                                               nullptr, 0, &length, BCRYPT_PAD_PKCS1)))
        return -1;
    signature->assign(length, 0);
    if (!BCRYPT_SUCCESS(BCryptSignHash(key.get(), &padding, const_cast<PUCHAR>(digest), kSha512Length,
                                       signature->data(), length, &length, BCRYPT_PAD_PKCS1)))
        return -1;
    signature->resize(length);
    return 0;
}

int PublicKeyDer(const std::string &publicKeyPem, std::vector<uint8_t> *der)
{
    return DecodePublicKeyInfo(publicKeyPem, der) ? 0 : -1;
}

// CNG offers no raw RSA public-key operation (Wine has none either), and a
// signature can only be checked against a digest, which needs the signed
// bytes: Windows leaves junk to the full check.
SignatureShape ShapeOfSignature(const std::string &, const uint8_t *, size_t)
{
    return SignatureShape::Unknown;
}

void Wipe(void *bytes, size_t length)
{
    SecureZeroMemory(bytes, length);
}

} // namespace tvx::crypto
