#include "package/PackageFile.h"

#include <sys/stat.h>
#include <unistd.h>
#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "package/PositionalRead.h"
#include "platform/RegularFile.h"

namespace {

// The signed bytes are hashed in pieces of this size as they arrive, while
// they are still in the cache.
constexpr int64_t kReadChunk = int64_t{1} << 20;

// A buffer that free() releases. Large ones are placed on huge-page
// boundaries and offered huge pages: faulting in a 64 MiB package page by
// page costs about as much as decrypting it.
uint8_t *AllocateBytes(size_t size)
{
#ifdef MADV_HUGEPAGE
    constexpr size_t kHugePage = size_t{2} << 20;
    if (size >= 4 * kHugePage) {
        void *buffer = std::aligned_alloc(kHugePage, (size + kHugePage - 1) / kHugePage * kHugePage);
        if (buffer)
            madvise(buffer, size / kHugePage * kHugePage, MADV_HUGEPAGE);
        return static_cast<uint8_t *>(buffer);
    }
#endif
    return static_cast<uint8_t *>(std::malloc(size));
}

// `count` bytes from `offset`: 0 when all came, 1 when the file ended first,
// -1 on a read error.
int ReadAt(int fd, uint8_t *buffer, int64_t count, int64_t offset)
{
    while (count > 0) {
        const int64_t got = ReadFileAt(fd, buffer, static_cast<size_t>(count), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            return 1;
        buffer += got;
        offset += got;
        count -= got;
    }
    return 0;
}

LoadFailure FailureOfRead(int result)
{
    return result > 0 ? LoadFailure::ChangedWhileReading : LoadFailure::CannotRead;
}

} // namespace

PackageFile::~PackageFile()
{
    if (fd >= 0)
        ::close(fd);
}

LoadFailure PackageFile::Open(const char *path)
{
    struct stat info {};
    switch (tvx::OpenRegularFile(path, &fd, &info)) {
    case tvx::RegularFileOpen::Opened:
        break;
    case tvx::RegularFileOpen::Unopenable:
        return LoadFailure::CannotOpen;
    case tvx::RegularFileOpen::Folder:
        return LoadFailure::NoFileName;
    case tvx::RegularFileOpen::NotRegular:
        return LoadFailure::NotARegularFile;
    case tvx::RegularFileOpen::Replaced:
        return LoadFailure::ChangedWhileReading;
    }
    length = info.st_size;
    return LoadFailure::None;
}

LoadFailure PackageFile::ReadVerified(uint8_t signature[kSignatureLength], SignedBytes *bytes)
{
    *bytes = {};
    static_assert(kMaxPackageLength <= INT32_MAX, "signed bytes are counted in 32 bits");
    if (length < kSignatureLength || length > kMaxPackageLength)
        return LoadFailure::NoSignatureBlock;
    const int64_t signedLength = length - kSignatureLength;
    if (const int result = ReadAt(fd, signature, kSignatureLength, signedLength))
        return FailureOfRead(result);
    SignatureCheck check;
    if (signedLength == 0 || !check.Start(signature))
        return LoadFailure::SignatureMismatch;

    uint8_t *buffer = AllocateBytes(static_cast<size_t>(signedLength));
    if (!buffer)
        return LoadFailure::OutOfMemory;
    LoadFailure failure = LoadFailure::None;
    for (int64_t done = 0; done < signedLength && failure == LoadFailure::None;) {
        const int64_t piece = std::min(kReadChunk, signedLength - done);
        if (const int result = ReadAt(fd, buffer + done, piece, done))
            failure = FailureOfRead(result);
        else if (!check.Add(buffer + done, static_cast<size_t>(piece)))
            failure = LoadFailure::SignatureMismatch;
        done += piece;
    }
    if (failure == LoadFailure::None && !check.Verified())
        failure = LoadFailure::SignatureMismatch;
    if (failure != LoadFailure::None) {
        std::free(buffer);
        return failure;
    }
    *bytes = {buffer, static_cast<int32_t>(signedLength)};
    return LoadFailure::None;
}
