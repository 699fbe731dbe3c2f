// The in-memory form of a loaded firmware package. Plain records with
// explicit allocation and release (FreePackage, FreePackageEntry): the part
// entries are handed to the device library unchanged. Their images are not
// copied out of the file's bytes: the record holds those bytes once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dfulib/include/TVXPackageEntry.h"

// Result codes of the package reader; they stay inside the package subsystem.
inline constexpr int32_t PKG_ERR_UNKNOWN_TYPE = -3000;
inline constexpr int32_t PKG_ERR_READ = -3002;
inline constexpr int32_t PKG_ERR_NO_MEMORY = -3003;

struct PartNode {
    PackageEntry *entry; // owned
    PartNode *next;
};

struct TextNode {
    char *text; // owned, NUL-terminated
    TextNode *next;
};

struct CatalogInfo {
    char *catalogVersion;
    char *ppuHeaderVersion;
    int32_t dfuFilesHavePpuHeader;
    char *company;
    char *subject;
    char *terminalType;
    TextNode *bootloaderVersions; // reverse catalog order
    TextNode *firmwareVersions;
    TextNode *alternatePretreatmentVersions;
};

struct PackageRecord {
    PackageEntry *catalogEntry; // owned, kind EntryKindCatalog
    PartNode *parts;            // owned, installation order
    PartNode *cursor;           // not owned: the part being worked on
    CatalogInfo *catalog;       // owned
    uint8_t signature[512];     // last 512 bytes of the file
    uint8_t *signedBytes;       // owned: the bytes before them as read once and verified;
                                // every entry's data lies in them
};

// The device library receives these records from a 32-bit process too.
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(PackageEntry) == 120, "PackageEntry layout");
static_assert(offsetof(PackageEntry, kind) == 104, "PackageEntry layout");
static_assert(offsetof(PackageEntry, data) == 108, "PackageEntry layout");
static_assert(offsetof(PackageEntry, size) == 112, "PackageEntry layout");
static_assert(offsetof(PackageEntry, info) == 116, "PackageEntry layout");
static_assert(sizeof(PartInfo) == 12, "PartInfo layout");
#endif
static_assert(offsetof(PackageEntry, kind) == 104, "PackageEntry name field is 101 bytes plus padding");
