// The catalog entry and the part entries it announces.
#include "package/Package.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "dfulib/json/JsonValueOwner.h"
#include "dfulib/suffix/DfuSuffix.h"
#include "package/CatalogShape.h"

namespace {

char *CopyText(const json_value &value)
{
    auto *text = static_cast<char *>(std::malloc(value.u.string.length + 1));
    if (text) {
        std::memcpy(text, value.u.string.ptr, value.u.string.length);
        text[value.u.string.length] = '\0';
    }
    return text;
}

// A later value replaces an earlier one.
bool StoreText(char **field, const json_value &value)
{
    char *copy = CopyText(value);
    if (!copy)
        return false;
    std::free(*field);
    *field = copy;
    return true;
}

bool TextEquals(const json_value &value, const char *text)
{
    return value.u.string.length == std::strlen(text) &&
           std::memcmp(value.u.string.ptr, text, value.u.string.length) == 0;
}

// Every "Version" goes to the front of the list. A node that cannot be
// allocated drops its version; a text that cannot be copied stops the reader.
bool AddVersions(TextNode **list, const json_value &elements)
{
    for (const json_value *element : elements.u.array) {
        for (const json_object_entry &member : element->u.object) {
            if (!MemberNameIs(member, "Version"))
                continue;
            char *text = CopyText(*member.value);
            if (!text)
                return false;
            auto *node = static_cast<TextNode *>(std::malloc(sizeof(TextNode)));
            if (!node) {
                std::free(text);
                continue;
            }
            node->text = text;
            node->next = *list;
            *list = node;
        }
    }
    return true;
}

// The index of the first element whose "File name" member equals `name`, or
// the list's length when none does.
unsigned int FindListedPart(const json_value &fileList, const char *name, const json_value **fileName)
{
    for (unsigned int n = 0; n < fileList.u.array.length; ++n)
        for (const json_object_entry &member : fileList.u.array.values[n]->u.object)
            if (MemberNameIs(member, "File name") && TextEquals(*member.value, name)) {
                *fileName = member.value;
                return n;
            }
    return fileList.u.array.length;
}

// A part image ends with the DFU suffix the terminal checks: an image that
// decrypted wrongly (a producer's slip with the file name the IV comes from)
// fails its CRC here rather than at the download.
CatalogStop JudgePartImage(const PackageEntry &entry)
{
    if (tvx::CheckPartSuffix(entry.data, static_cast<std::size_t>(entry.size)) != tvx::PartSuffix::Valid)
        return CatalogStop::BadPartSuffix;
    if (entry.size == static_cast<int32_t>(tvx::kDfuSuffixLength))
        return CatalogStop::EmptyPart;
    return CatalogStop::None;
}

class CatalogReader {
public:
    CatalogReader(SignedBytes signedBytes, PackageRecord *into) : bytes(signedBytes), record(into) {}

    // True when the whole catalog was read; otherwise the reader stops with
    // `result`, and `stop` says why when the result is 0.
    bool Read()
    {
        record->catalogEntry = static_cast<PackageEntry *>(std::calloc(1, sizeof(PackageEntry)));
        if (!record->catalogEntry)
            return Fail(PKG_ERR_NO_MEMORY);
        const int32_t code = ReadPackageEntry(bytes, EntryKindCatalog, record->catalogEntry, &position);
        if (code != 0)
            return Fail(code);

        json_value *parsed = json_parse(reinterpret_cast<const json_char *>(record->catalogEntry->data),
                                        static_cast<size_t>(record->catalogEntry->size));
        tree.reset(parsed);
        if (!tree || !CatalogHasExpectedShape(*tree))
            return Stop(CatalogStop::Unparsable);

        record->catalog = static_cast<CatalogInfo *>(std::calloc(1, sizeof(CatalogInfo)));
        if (!record->catalog)
            return Fail(PKG_ERR_NO_MEMORY);
        for (const json_object_entry &member : tree->u.object)
            if (!ReadMember(member))
                return false;
        return hasFirmware || Stop(CatalogStop::NoFirmwarePart);
    }

    int32_t result = 0;
    CatalogStop stop = CatalogStop::None;

private:
    bool Fail(int32_t code)
    {
        result = code;
        return false;
    }

    bool Stop(CatalogStop why)
    {
        stop = why;
        return false;
    }

    bool ReadMember(const json_object_entry &member)
    {
        CatalogInfo &catalog = *record->catalog;
        const json_value &value = *member.value;
        bool copied = true;
        if (MemberNameIs(member, "Catalog version"))
            copied = StoreText(&catalog.catalogVersion, value);
        else if (MemberNameIs(member, "PPU Header version"))
            copied = StoreText(&catalog.ppuHeaderVersion, value);
        else if (MemberNameIs(member, "DFU files have PPU header"))
            catalog.dfuFilesHavePpuHeader = value.u.boolean ? 1 : 0;
        else if (MemberNameIs(member, "Overview"))
            copied = ReadOverview(value);
        else if (MemberNameIs(member, "Terminal information"))
            copied = ReadTerminalInformation(value);
        else if (MemberNameIs(member, "File list"))
            return ReadParts(value);
        return copied || Fail(PKG_ERR_NO_MEMORY);
    }

    bool ReadOverview(const json_value &overview)
    {
        CatalogInfo &catalog = *record->catalog;
        for (const json_object_entry &member : overview.u.object) {
            if (MemberNameIs(member, "Company") && !StoreText(&catalog.company, *member.value))
                return false;
            if (MemberNameIs(member, "Subject") && !StoreText(&catalog.subject, *member.value))
                return false;
        }
        return true;
    }

    bool ReadTerminalInformation(const json_value &information)
    {
        CatalogInfo &catalog = *record->catalog;
        for (const json_object_entry &member : information.u.object) {
            bool copied = true;
            if (MemberNameIs(member, "Terminal type"))
                copied = StoreText(&catalog.terminalType, *member.value);
            else if (MemberNameIs(member, "Bootloader supported versions"))
                copied = AddVersions(&catalog.bootloaderVersions, *member.value);
            else if (MemberNameIs(member, "Firmware supported versions"))
                copied = AddVersions(&catalog.firmwareVersions, *member.value);
            else if (MemberNameIs(member, "Alternate pretreatment for bootloader"))
                copied = AddVersions(&catalog.alternatePretreatmentVersions, *member.value);
            if (!copied)
                return false;
        }
        return true;
    }

    // One entry per list element, matched to its element by name: the archive
    // may store the parts in any order, but holds each name once.
    bool ReadParts(const json_value &fileList)
    {
        const unsigned int count = fileList.u.array.length;
        const std::unique_ptr<bool[]> matched(new (std::nothrow) bool[count]());
        if (!matched)
            return Fail(PKG_ERR_NO_MEMORY);
        for (unsigned int n = 0; n < count; ++n) {
            auto *entry = static_cast<PackageEntry *>(std::calloc(1, sizeof(PackageEntry)));
            if (!entry)
                return Fail(PKG_ERR_NO_MEMORY);
            const int32_t code = ReadPackageEntry(bytes, EntryKindPart, entry, &position);
            if (code != 0) {
                FreePackageEntry(entry);
                return Fail(code);
            }
            StripEncExtension(entry->name);
            const json_value *fileName = nullptr;
            const unsigned int listed = FindListedPart(fileList, entry->name, &fileName);
            if (listed == count || matched[listed]) {
                FreePackageEntry(entry);
                return Stop(listed == count ? CatalogStop::UnlistedPart : CatalogStop::DuplicateEntry);
            }
            matched[listed] = true;
            if (!AttachPartInfo(entry, *fileList.u.array.values[listed], *fileName)) {
                FreePackageEntry(entry);
                return Fail(PKG_ERR_NO_MEMORY);
            }
            const bool firmware = entry->info->type && std::strcmp(entry->info->type, "Firmware") == 0;
            if (InsertPart(&record->parts, entry) != 0) {
                FreePackageEntry(entry); // an unknown or missing type drops the part
                continue;
            }
            if (const CatalogStop why = JudgePartImage(*entry); why != CatalogStop::None)
                return Stop(why);
            hasFirmware = hasFirmware || firmware;
        }
        return true;
    }

    static bool AttachPartInfo(PackageEntry *entry, const json_value &element, const json_value &fileName)
    {
        entry->info = static_cast<PartInfo *>(std::calloc(1, sizeof(PartInfo)));
        if (!entry->info || !StoreText(&entry->info->fileName, fileName))
            return false;
        for (const json_object_entry &member : element.u.object) {
            if (MemberNameIs(member, "Subject") && !StoreText(&entry->info->subject, *member.value))
                return false;
            if (MemberNameIs(member, "Type") && !StoreText(&entry->info->type, *member.value))
                return false;
        }
        return true;
    }

    SignedBytes bytes;
    PackageRecord *record;
    int32_t position = 0;
    bool hasFirmware = false;
    tvx::JsonValueOwner tree;
};

} // namespace

int32_t ReadPackageCatalog(SignedBytes bytes, PackageRecord *record, CatalogStop *stop)
{
    CatalogReader reader(bytes, record);
    reader.Read();
    if (stop)
        *stop = reader.stop;
    return reader.result;
}
