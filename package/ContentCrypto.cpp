// Content key assembly, the file-name IV and the decryption of entry contents.
#include "package/Package.h"

#include <cstring>

#include "package/Crypto.h"

uint8_t contentIv[32];

namespace {

constexpr int32_t kBlock = tvx::crypto::kAesBlockLength;

// How many bytes of standard padding end the last plaintext block, or 0 when
// it does not end in valid padding.
int32_t PaddingLength(const uint8_t *lastBlock)
{
    const uint8_t count = lastBlock[kBlock - 1];
    if (count == 0 || count > kBlock)
        return 0;
    uint8_t difference = 0;
    for (int32_t i = kBlock - count; i < kBlock; ++i)
        difference |= static_cast<uint8_t>(lastBlock[i] ^ count);
    return difference == 0 ? count : 0;
}

} // namespace

void BuildContentKey(uint8_t key[kContentKeyLength])
{
#include "res/keys/ContentKeyPieces.inc"
    for (int slot = 0; slot < 4; ++slot) {
        const int base = kContentKeyPieceOrder[slot] * 8;
        for (int i = 0; i < 8; ++i)
            key[base + i] = static_cast<uint8_t>(kContentKeyPieces[slot][i] ^ kContentKeyMask[base + i]);
    }
}

bool DeriveContentIv(const char *fileName)
{
    return fileName && tvx::crypto::Digest(tvx::crypto::HashKind::Sha256, fileName, std::strlen(fileName),
                                           contentIv) == 0;
}

int32_t DecryptContent(const uint8_t *cipherText, int32_t length, const uint8_t *key, const uint8_t *iv,
                       uint8_t *plainText, bool *complete)
{
    if (complete)
        *complete = false;
    // Whole blocks only; a partial one at the end is never complete.
    const int32_t whole = length > 0 ? length - length % kBlock : 0;
    if (whole == 0 || tvx::crypto::Aes256Cbc(tvx::crypto::AesDirection::Decrypt, key, iv, cipherText,
                                             static_cast<size_t>(whole), plainText) != 0)
        return 0;
    // The padding is checked here, not by the cipher library: CNG under Wine
    // does not check it, and every system must refuse the same blocks.
    const int32_t padding = length == whole ? PaddingLength(plainText + whole - kBlock) : 0;
    if (padding == 0)
        return whole - kBlock;
    if (complete)
        *complete = true;
    return whole - padding;
}
