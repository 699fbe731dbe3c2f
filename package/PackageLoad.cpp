// Loading a package from its path, and releasing the records.
#include "Package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include <openssl/crypto.h>

#include "PathName.h"

namespace {

struct FileClose {
    void operator()(FILE *file) const { std::fclose(file); }
};

// Opens a regular file for reading. Without waiting: a named pipe in the
// package's place must not stall the wizard until someone writes to it.
LoadFailure OpenPackageFile(const char *path, std::unique_ptr<FILE, FileClose> *file)
{
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return LoadFailure::CannotOpen;
    struct stat info {};
    LoadFailure failure = LoadFailure::None;
    if (::fstat(fd, &info) != 0)
        failure = LoadFailure::CannotOpen;
    else if (S_ISDIR(info.st_mode))
        failure = LoadFailure::NoFileName;
    else if (!S_ISREG(info.st_mode))
        failure = LoadFailure::NotARegularFile;
    if (failure == LoadFailure::None) {
        file->reset(::fdopen(fd, "rb"));
        if (*file)
            return LoadFailure::None;
        failure = LoadFailure::CannotOpen;
    }
    ::close(fd);
    return failure;
}

LoadFailure FailureOfCatalog(int32_t code, CatalogStop stop)
{
    if (code == PKG_ERR_NO_MEMORY)
        return LoadFailure::OutOfMemory;
    if (code != 0)
        return LoadFailure::EntryUnreadable;
    switch (stop) {
    case CatalogStop::Unparsable:
        return LoadFailure::CatalogUnparsable;
    case CatalogStop::UnlistedPart:
        return LoadFailure::UnlistedPart;
    case CatalogStop::NoFirmwarePart:
        return LoadFailure::NoFirmwarePart;
    case CatalogStop::None:
        break;
    }
    return LoadFailure::None;
}

void FreeTextList(TextNode *node)
{
    while (node) {
        TextNode *next = node->next;
        std::free(node->text);
        std::free(node);
        node = next;
    }
}

void FreeCatalogInfo(CatalogInfo *catalog)
{
    if (!catalog)
        return;
    std::free(catalog->catalogVersion);
    std::free(catalog->ppuHeaderVersion);
    std::free(catalog->company);
    std::free(catalog->subject);
    std::free(catalog->terminalType);
    FreeTextList(catalog->bootloaderVersions);
    FreeTextList(catalog->firmwareVersions);
    FreeTextList(catalog->alternatePretreatmentVersions);
    std::free(catalog);
}

} // namespace

const char *DescribeLoadFailure(LoadFailure failure)
{
    switch (failure) {
    case LoadFailure::None:
        return "the package is authentic and complete";
    case LoadFailure::NoPath:
        return "no file was named";
    case LoadFailure::NoFileName:
        return "the path names a folder, not a file";
    case LoadFailure::CannotOpen:
        return "the file cannot be opened";
    case LoadFailure::NotARegularFile:
        return "the path names a pipe, socket or device, not a file";
    case LoadFailure::NoSignatureBlock:
        return "the file is too short or too long to hold a signed package";
    case LoadFailure::SignatureMismatch:
        return "the signature does not match the file (changed, truncated or extended, or signed with "
               "another key)";
    case LoadFailure::EntryUnreadable:
        return "an entry cannot be read or decrypted";
    case LoadFailure::OutOfMemory:
        return "not enough memory to read the package";
    case LoadFailure::CatalogUnparsable:
        return "the catalog does not parse (was the file renamed?)";
    case LoadFailure::UnlistedPart:
        return "an entry is not listed in the catalog's file list";
    case LoadFailure::NoFirmwarePart:
        return "the package has no firmware part";
    case LoadFailure::ChangedWhileReading:
        return "the file changed while it was read";
    }
    return "unknown failure";
}

LoadFailure LoadPackageChecked(const char *path, PackageRecord *record)
{
    if (!path || !*path || !record)
        return LoadFailure::NoPath;
    // OpenSSL 3 sets itself up on first use and cleans up at exit; releasing
    // it after every load would leave it unusable for the next one.
    OPENSSL_init_crypto(OPENSSL_INIT_LOAD_CRYPTO_STRINGS | OPENSSL_INIT_ADD_ALL_CIPHERS |
                            OPENSSL_INIT_ADD_ALL_DIGESTS | OPENSSL_INIT_LOAD_CONFIG,
                        nullptr);

    const std::string_view fileName = tvx::FileNameOfPath(path);
    if (fileName.empty() || !DeriveContentIv(fileName.data())) // a suffix of path: NUL-terminated
        return LoadFailure::NoFileName;
    std::unique_ptr<FILE, FileClose> file;
    if (const LoadFailure failure = OpenPackageFile(path, &file); failure != LoadFailure::None)
        return failure;

    // Authenticate first: an unsigned file never drives allocations or the
    // JSON parser.
    int32_t signedLength = 0;
    uint8_t signature[kSignatureLength] = {};
    if (!ReadSignatureBlock(file.get(), &signedLength, signature))
        return LoadFailure::NoSignatureBlock;
    if (!VerifyPackageSignature(file.get(), signedLength, signature))
        return LoadFailure::SignatureMismatch;

    int32_t catalogSignedLength = 0;
    CatalogStop stop = CatalogStop::None;
    const int32_t code = ReadPackageCatalog(file.get(), record, &catalogSignedLength, &stop);
    const LoadFailure failure = FailureOfCatalog(code, stop);
    if (failure != LoadFailure::None)
        return failure;
    if (catalogSignedLength != signedLength || std::memcmp(record->signature, signature, sizeof signature) != 0)
        return LoadFailure::ChangedWhileReading;
    return LoadFailure::None;
}

bool LoadPackage(const char *path, PackageRecord *record)
{
    return LoadPackageChecked(path, record) == LoadFailure::None;
}

PackageRecord *NewPackageRecord()
{
    return static_cast<PackageRecord *>(std::calloc(1, sizeof(PackageRecord)));
}

void FreePackageEntry(PackageEntry *entry)
{
    if (!entry)
        return;
    if (entry->info) {
        std::free(entry->info->fileName);
        std::free(entry->info->subject);
        std::free(entry->info->type);
        std::free(entry->info);
    }
    std::free(entry->data);
    std::free(entry);
}

void FreePackage(PackageRecord *record)
{
    if (!record)
        return;
    FreePackageEntry(record->catalogEntry);
    for (PartNode *node = record->parts; node;) {
        PartNode *next = node->next;
        FreePackageEntry(node->entry);
        std::free(node);
        node = next;
    }
    FreeCatalogInfo(record->catalog);
    std::free(record);
}
