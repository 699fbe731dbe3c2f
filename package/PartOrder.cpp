// Installation order of the parts and the entry-name form the catalog uses.
#include "package/Package.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

bool TypeIs(const PartNode *node, const char *type)
{
    const PartInfo *info = node->entry ? node->entry->info : nullptr;
    return info && info->type && std::strcmp(info->type, type) == 0;
}

} // namespace

int32_t InsertPart(PartNode **parts, PackageEntry *entry)
{
    const char *type = entry->info ? entry->info->type : nullptr;
    const bool pretreatment = type && std::strcmp(type, "Pretreatment") == 0;
    const bool bootloader = type && std::strcmp(type, "Bootloader") == 0;
    const bool firmware = type && std::strcmp(type, "Firmware") == 0;
    if (!pretreatment && !bootloader && !firmware)
        return PKG_ERR_UNKNOWN_TYPE;

    auto *node = static_cast<PartNode *>(std::calloc(1, sizeof(PartNode)));
    if (!node)
        return PKG_ERR_NO_MEMORY;
    node->entry = entry;

    // Pretreatment parts go first, bootloaders after the last pretreatment
    // part, firmware at the tail.
    PartNode **link = parts;
    if (firmware) {
        while (*link)
            link = &(*link)->next;
    } else if (bootloader) {
        while (*link && TypeIs(*link, "Pretreatment"))
            link = &(*link)->next;
    }
    node->next = *link;
    *link = node;
    return 0;
}

void StripEncExtension(char *name)
{
    char *dot = std::strrchr(name, '.');
    if (dot && std::strlen(dot) == 4 && strcasecmp(dot, ".enc") == 0)
        *dot = '\0';
}
