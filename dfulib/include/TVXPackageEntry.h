/* The package records that cross into the device library: one part of a
 * firmware package with its decrypted image and its catalog information.
 * The field order is fixed; with 4-byte pointers the layout is 120 and
 * 12 bytes, as the library's callers have always passed it. */
#ifndef TVX_PACKAGE_ENTRY_H
#define TVX_PACKAGE_ENTRY_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct PartInfo {
    char *subject;  /* "Subject" of the catalog's file-list element, or NULL */
    char *fileName; /* "File name" of the element */
    char *type;     /* "Pretreatment", "Firmware", "Bootloader", or NULL */
} PartInfo;

enum { EntryKindCatalog = 0, EntryKindPart = 1 };

typedef struct PackageEntry {
    char name[101]; /* archive entry name, NUL at offset 100 */
    int32_t kind;   /* EntryKindCatalog or EntryKindPart */
    uint8_t *data;  /* decrypted content, held by the package record */
    int32_t size;   /* byte count of data */
    PartInfo *info; /* part information, NULL for the catalog entry */
} PackageEntry;

#ifdef __cplusplus
}
#endif

#endif
