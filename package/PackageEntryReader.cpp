// One archive entry: its 512-byte header, then its content, decrypted in place.
#include "Package.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

#include <openssl/crypto.h>

#include "FileLength.h"

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
// more block there, so an all-zero block with more file behind it is skipped.
int64_t NextHeaderOffset(FILE *file, int64_t contentStart, int64_t size, int64_t fileLength)
{
    const int64_t padded = contentStart + size + (kEntryBlockLength - size % kEntryBlockLength) % kEntryBlockLength;
    if (size % kEntryBlockLength != 0 || padded + kEntryBlockLength >= fileLength)
        return padded;
    uint8_t block[kEntryBlockLength];
    if (fseeko(file, padded, SEEK_SET) != 0 || std::fread(block, 1, sizeof block, file) != sizeof block)
        return padded;
    return IsZeroBlock(block) ? padded + kEntryBlockLength : padded;
}

// A content buffer that free() releases. Large ones are placed on huge-page
// boundaries and offered huge pages: faulting in a 64 MiB image page by page
// costs about as much as decrypting it.
uint8_t *AllocateContent(size_t size)
{
    constexpr size_t kHugePage = size_t{2} << 20;
#ifdef MADV_HUGEPAGE
    if (size >= 4 * kHugePage) {
        void *buffer = std::aligned_alloc(kHugePage, (size + kHugePage - 1) / kHugePage * kHugePage);
        if (buffer)
            madvise(buffer, size / kHugePage * kHugePage, MADV_HUGEPAGE);
        return static_cast<uint8_t *>(buffer);
    }
#endif
    return static_cast<uint8_t *>(std::malloc(size));
}

// The content key lives only while one entry is read.
struct ScopedContentKey {
    uint8_t bytes[kContentKeyLength];
    ScopedContentKey() { BuildContentKey(bytes); }
    ~ScopedContentKey() { OPENSSL_cleanse(bytes, sizeof bytes); }
};

} // namespace

int32_t ReadPackageEntry(FILE *file, int32_t kind, PackageEntry *entry, int32_t *position)
{
    ScopedContentKey key;
    uint8_t header[kEntryBlockLength];
    const int64_t fileLength = FileLength(file);
    if (fileLength < 0 || *position < 0 || fseeko(file, *position, SEEK_SET) != 0 ||
        std::fread(header, 1, sizeof header, file) != sizeof header)
        return PKG_ERR_READ;
    const int64_t contentStart = int64_t{*position} + kEntryBlockLength;
    *position = static_cast<int32_t>(std::min<int64_t>(contentStart, INT32_MAX));

    entry->kind = kind;
    std::memcpy(entry->name, header, kNameLength);
    entry->name[kNameLength] = '\0';

    const int64_t size = ParseSizeField(header);
    if (size == 0 || size > fileLength - contentStart)
        return PKG_ERR_READ; // checked before anything is allocated
    if (size < 0)
        return PKG_ERR_NO_MEMORY;
    const int64_t next = NextHeaderOffset(file, contentStart, size, fileLength);
    if (next > INT32_MAX)
        return PKG_ERR_READ;

    uint8_t *buffer = AllocateContent(static_cast<size_t>(size));
    if (!buffer)
        return PKG_ERR_NO_MEMORY;
    if (fseeko(file, contentStart, SEEK_SET) != 0 ||
        std::fread(buffer, 1, static_cast<size_t>(size), file) != static_cast<size_t>(size)) {
        std::free(buffer);
        return PKG_ERR_READ;
    }
    *position = static_cast<int32_t>(next);

    // The signature covers only the ciphertext: a last block that does not
    // unpad would otherwise pass a truncated image on.
    bool complete = false;
    const int32_t plainLength =
        DecryptContent(buffer, static_cast<int32_t>(size), key.bytes, contentIv, buffer, &complete);
    if (!complete) {
        std::free(buffer);
        return PKG_ERR_READ;
    }
    if (plainLength > 0 && plainLength < size) {
        if (auto *shrunk = static_cast<uint8_t *>(std::realloc(buffer, static_cast<size_t>(plainLength))))
            buffer = shrunk;
    }
    entry->data = buffer;
    entry->size = plainLength;
    return 0;
}
