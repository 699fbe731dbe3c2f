// The part types a catalog names ("Pretreatment", "Firmware", "Bootloader").
#pragma once

#include <cstring>

#include "package/PackageRecord.h"

inline bool PartHasType(const PackageEntry *part, const char *type)
{
    return part && part->info && part->info->type && std::strcmp(part->info->type, type) == 0;
}

// First part of the type in installation order, or null.
inline const PackageEntry *FirstPartOfType(const PackageRecord *package, const char *type)
{
    for (const PartNode *node = package ? package->parts : nullptr; node; node = node->next)
        if (PartHasType(node->entry, type))
            return node->entry;
    return nullptr;
}
