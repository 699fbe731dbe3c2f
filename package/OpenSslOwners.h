// Owners of OpenSSL objects: each frees its object with OpenSSL's own call.
#pragma once

#include <memory>

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace tvx::openssl {

template <typename T, void (*Free)(T *)>
struct Freer {
    void operator()(T *object) const { Free(object); }
};

inline void FreeBio(BIO *bio)
{
    BIO_free(bio);
}
inline void FreeBytes(unsigned char *bytes)
{
    OPENSSL_free(bytes);
}

using Bio = std::unique_ptr<BIO, Freer<BIO, FreeBio>>;
using Key = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, Freer<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, Freer<EVP_MD_CTX, EVP_MD_CTX_free>>;
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, Freer<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free>>;
using Bytes = std::unique_ptr<unsigned char, Freer<unsigned char, FreeBytes>>;

} // namespace tvx::openssl
