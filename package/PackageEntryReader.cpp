// One archive entry: its 512-byte header, then its content, decrypted where it
// lies in the package's signed bytes.
#include "package/Package.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "package/Crypto.h"

namespace {

constexpr int kNameLength = 100;
constexpr int kSizeOffset = 124;
constexpr int kSizeLength = 12;

// The octal size field as strtol reads it, saturated to 32 bits the way a
// 32-bit long saturates.
int64_t ParseSizeField(const uint8_t *header)
{
    char text[kSizeLength + 1] = {};
    std::memcpy(text, header + kSizeOffset, kSizeLength);
    const long long value = std::strtoll(text, nullptr, 8);
    return std::clamp<long long>(value, INT32_MIN, INT32_MAX);
}

bool IsZeroBlock(const uint8_t *block)
{
    return std::all_of(block, block + kEntryBlockLength, [](uint8_t byte) { return byte == 0; });
}

// Where the next header starts. Contents that end on a block boundary are
// followed directly by the next header in standard tar; some producers put one
// more block there, so an all-zero block with more bytes behind it is skipped.
int64_t NextHeaderOffset(SignedBytes bytes, int64_t contentStart, int64_t size)
{
    const int64_t padded =
        contentStart + size + (kEntryBlockLength - size % kEntryBlockLength) % kEntryBlockLength;
    if (size % kEntryBlockLength != 0 || padded + kEntryBlockLength >= bytes.length)
        return padded;
    return IsZeroBlock(bytes.data + padded) ? padded + kEntryBlockLength : padded;
}

// The content key lives only while one entry is read.
struct ScopedContentKey {
    uint8_t bytes[kContentKeyLength];
    ScopedContentKey() { BuildContentKey(bytes); }
    ~ScopedContentKey() { tvx::crypto::Wipe(bytes, sizeof bytes); }
};

} // namespace

int32_t ReadPackageEntry(SignedBytes bytes, int32_t kind, PackageEntry *entry, int32_t *position)
{
    ScopedContentKey key;
    if (*position < 0 || bytes.length - *position < kEntryBlockLength)
        return PKG_ERR_READ;
    const uint8_t *header = bytes.data + *position;
    const int64_t contentStart = int64_t{*position} + kEntryBlockLength;
    *position = static_cast<int32_t>(std::min<int64_t>(contentStart, INT32_MAX));

    entry->kind = kind;
    std::memcpy(entry->name, header, kNameLength);
    entry->name[kNameLength] = '\0';

    const int64_t size = ParseSizeField(header);
    if (size == 0 || size > bytes.length - contentStart)
        return PKG_ERR_READ;
    if (size < 0)
        return PKG_ERR_NO_MEMORY;
    const int64_t next = NextHeaderOffset(bytes, contentStart, size);
    if (next > INT32_MAX)
        return PKG_ERR_READ;
    *position = static_cast<int32_t>(next);

    // The signature covers only the ciphertext: a last block that does not
    // unpad would otherwise pass a truncated image on.
    uint8_t *content = bytes.data + contentStart;
    bool complete = false;
    const int32_t plainLength =
        DecryptContent(content, static_cast<int32_t>(size), key.bytes, contentIv, content, &complete);
    if (!complete)
        return PKG_ERR_READ;
    entry->data = content;
    entry->size = plainLength;
    return 0;
}
