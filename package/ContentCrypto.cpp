// Content key assembly, the file-name IV and the decryption of entry contents.
#include "Package.h"

#include <cstring>

#include <openssl/evp.h>

uint8_t contentIv[32];

void BuildContentKey(uint8_t key[kContentKeyLength])
{
#include "ContentKeyPieces.inc"
    for (int slot = 0; slot < 4; ++slot) {
        const int base = kContentKeyPieceOrder[slot] * 8;
        for (int i = 0; i < 8; ++i)
            key[base + i] = static_cast<uint8_t>(kContentKeyPieces[slot][i] ^ kContentKeyMask[base + i]);
    }
}

bool DeriveContentIv(const char *fileName)
{
    unsigned int length = 0;
    return fileName &&
           EVP_Digest(fileName, std::strlen(fileName), contentIv, &length, EVP_sha256(), nullptr) == 1 &&
           length == sizeof contentIv;
}

int32_t DecryptContent(const uint8_t *cipherText, int32_t length, const uint8_t *key, const uint8_t *iv,
                       uint8_t *plainText, bool *complete)
{
    if (complete)
        *complete = false;
    if (length <= 0)
        return 0;
    EVP_CIPHER_CTX *context = EVP_CIPHER_CTX_new();
    if (!context)
        return 0;
    int updated = 0;
    int finished = 0;
    int32_t result = 0;
    if (EVP_DecryptInit_ex(context, EVP_aes_256_cbc(), nullptr, key, iv) == 1 &&
        EVP_DecryptUpdate(context, plainText, &updated, cipherText, length) == 1) {
        result = updated;
        if (EVP_DecryptFinal_ex(context, plainText + updated, &finished) == 1) {
            result += finished;
            if (complete)
                *complete = true;
        }
    }
    EVP_CIPHER_CTX_free(context);
    return result;
}
