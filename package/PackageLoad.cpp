// Loading a package from its path, and releasing the records.
#include "package/Package.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "package/PackageFile.h"
#include "platform/PathName.h"

namespace {

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
    case CatalogStop::DuplicateEntry:
        return LoadFailure::DuplicateEntry;
    case CatalogStop::BadPartSuffix:
        return LoadFailure::BadPartSuffix;
    case CatalogStop::EmptyPart:
        return LoadFailure::EmptyPart;
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
        return "the file is too short to hold a signed package, or larger than 256 MiB";
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
    case LoadFailure::CannotRead:
        return "the file cannot be read";
    case LoadFailure::DuplicateEntry:
        return "two entries carry the same part name";
    case LoadFailure::BadPartSuffix:
        return "a part's DFU suffix is missing, names another vendor or does not match its image (CRC)";
    case LoadFailure::EmptyPart:
        return "a part holds no image, only its DFU suffix";
    }
    return "unknown failure";
}

LoadFailure LoadPackageChecked(const char *path, PackageRecord *record)
{
    if (!path || !*path || !record)
        return LoadFailure::NoPath;
    const std::string_view fileName = tvx::FileNameOfPath(path);
    if (fileName.empty() || !DeriveContentIv(fileName.data())) // a suffix of path: NUL-terminated
        return LoadFailure::NoFileName;
    PackageFile file;
    if (const LoadFailure failure = file.Open(path); failure != LoadFailure::None)
        return failure;

    // Authenticate first: an unsigned file never drives allocations or the
    // JSON parser. What is parsed and handed on is exactly what was verified.
    uint8_t signature[kSignatureLength];
    SignedBytes bytes{};
    if (const LoadFailure failure = file.ReadVerified(signature, &bytes); failure != LoadFailure::None)
        return failure;
    std::memcpy(record->signature, signature, sizeof signature);
    record->signedBytes = bytes.data;
    CatalogStop stop = CatalogStop::None;
    const int32_t code = ReadPackageCatalog(bytes, record, &stop);
    return FailureOfCatalog(code, stop);
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
    std::free(record->signedBytes);
    std::free(record);
}
