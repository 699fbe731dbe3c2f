// Reading, authenticating, loading and releasing a firmware package (.ppu).
// A package is a run of tar-layout entries (the JSON catalog first, then one
// encrypted image per part) followed by a 512-byte RSA signature block.
#pragma once

#include <cstdint>
#include <cstdio>

#include "PackageRecord.h"

inline constexpr int kContentKeyLength = 32;
inline constexpr int kSignatureLength = 512;
inline constexpr int kEntryBlockLength = 512;

// SHA-256 of the package's file name, set by each load before the first entry
// is read; the cipher uses its first 16 bytes as IV.
extern uint8_t contentIv[32];

// --- Content key, IV and decryption ---------------------------------------

// Assembles the content key into `key`. Callers wipe it after use.
void BuildContentKey(uint8_t key[kContentKeyLength]);

// Fills contentIv with the SHA-256 of `fileName` (without its NUL).
bool DeriveContentIv(const char *fileName);

// AES-256-CBC with standard padding over the whole ciphertext. `plainText`
// holds at least `length` bytes and may be `cipherText` itself. Returns the
// plaintext length; when the last block does not unpad, the plaintext ends
// before it and `complete` (if given) is false.
int32_t DecryptContent(const uint8_t *cipherText, int32_t length, const uint8_t *key,
                       const uint8_t *iv, uint8_t *plainText, bool *complete = nullptr);

// --- Signature ---------------------------------------------------------------

// Reads the last 512 bytes of the file. `signedLength` becomes the length in
// front of them, or stays 0 when the file is too short or too long for it.
bool ReadSignatureBlock(FILE *file, int32_t *signedLength, uint8_t signature[kSignatureLength]);

// RSASSA-PKCS1-v1_5 with SHA-512 over the first `signedLength` bytes of the
// file, read in chunks, against the built-in verify key.
bool VerifyPackageSignature(FILE *file, int32_t signedLength,
                            const uint8_t signature[kSignatureLength]);

// --- Entries and catalog -----------------------------------------------------

// Reads and decrypts the entry whose header starts at `*position`; on success
// `*position` is the offset of the next header. 0, PKG_ERR_READ or
// PKG_ERR_NO_MEMORY. Never touches entry->info.
int32_t ReadPackageEntry(FILE *file, int32_t kind, PackageEntry *entry, int32_t *position);

// Why the catalog reader stopped with result 0 before reaching the signature.
enum class CatalogStop { None, Unparsable, UnlistedPart, NoFirmwarePart };

// Reads the catalog, its parts in installation order and the signature block
// into `record` (zeroed by the caller). `signedLength` is 0 unless the reader
// got as far as the signature block. Rewinds the file before returning.
int32_t ReadPackageCatalog(FILE *file, PackageRecord *record, int32_t *signedLength,
                           CatalogStop *stop = nullptr);

// Puts a part into installation order by its info->type: 0 when inserted,
// PKG_ERR_UNKNOWN_TYPE for another type, PKG_ERR_NO_MEMORY without a node.
int32_t InsertPart(PartNode **parts, PackageEntry *entry);

// Cuts a trailing ".enc" (any letter case) off `name`.
void StripEncExtension(char *name);

// --- Loading and release -----------------------------------------------------

enum class LoadFailure {
    None,
    NoPath,
    NoFileName,
    CannotOpen,
    NotARegularFile,
    NoSignatureBlock,
    SignatureMismatch,
    EntryUnreadable,
    OutOfMemory,
    CatalogUnparsable,
    UnlistedPart,
    NoFirmwarePart,
    ChangedWhileReading,
};

// The reason in words, for tools that report it.
const char *DescribeLoadFailure(LoadFailure failure);

// Authenticates the file first, then reads it into `record` (zeroed by the
// caller): LoadFailure::None when it may be used.
LoadFailure LoadPackageChecked(const char *path, PackageRecord *record);

// True when the package was read completely and its signature verified.
bool LoadPackage(const char *path, PackageRecord *record);

// A zeroed record for LoadPackage, or null when out of memory.
PackageRecord *NewPackageRecord();

// Release a record (or null) with everything it owns, and one entry.
void FreePackage(PackageRecord *record);
void FreePackageEntry(PackageEntry *entry);
