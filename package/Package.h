// Reading, authenticating, loading and releasing a firmware package (.ppu).
// A package is a run of tar-layout entries (the JSON catalog first, then one
// encrypted image per part) followed by a 512-byte RSA signature block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/PackageRecord.h"

inline constexpr int kContentKeyLength = 32;
inline constexpr int kSignatureLength = 512;
inline constexpr int kEntryBlockLength = 512;
// The largest package file taken, signature block included: far above any
// firmware, and refused by its size before a byte of it is read.
inline constexpr int64_t kMaxPackageLength = int64_t{256} << 20;

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
int32_t DecryptContent(const uint8_t *cipherText, int32_t length, const uint8_t *key, const uint8_t *iv,
                       uint8_t *plainText, bool *complete = nullptr);

// --- Signature ---------------------------------------------------------------

// RSASSA-PKCS1-v1_5 with SHA-512 against the built-in verify key, over the
// signed bytes handed in piece by piece as they are read.
class SignatureCheck {
public:
    SignatureCheck();
    ~SignatureCheck();
    SignatureCheck(const SignatureCheck &) = delete;
    SignatureCheck &operator=(const SignatureCheck &) = delete;

    // False when the block does not open with the verify key into a SHA-512
    // digest (zeros, junk): such a file is refused before it is read.
    bool Start(const uint8_t signature[kSignatureLength]);
    bool Add(const uint8_t *bytes, size_t length);
    // True when the bytes added since Start are the signed ones.
    bool Verified();

private:
    struct State;
    State *state;
};

// --- Entries and catalog -----------------------------------------------------

// The signed bytes of a package in memory: every byte before the signature
// block, read once. Entries are decrypted where they lie.
struct SignedBytes {
    uint8_t *data;
    int32_t length;
};

// Decrypts the entry whose header starts at `*position`; on success
// `entry->data` points at its plaintext inside `bytes` and `*position` is the
// offset of the next header. 0, PKG_ERR_READ or PKG_ERR_NO_MEMORY. Never
// touches entry->info.
int32_t ReadPackageEntry(SignedBytes bytes, int32_t kind, PackageEntry *entry, int32_t *position);

// Why the catalog reader stopped with result 0 before its end.
enum class CatalogStop {
    None,
    Unparsable,
    UnlistedPart,
    NoFirmwarePart,
    DuplicateEntry,
    BadPartSuffix,
    EmptyPart
};

// Reads the catalog and its parts in installation order from the verified
// bytes into `record` (zeroed by the caller but for the bytes and the
// signature). The record is complete when the result is 0 and `stop` None.
int32_t ReadPackageCatalog(SignedBytes bytes, PackageRecord *record, CatalogStop *stop = nullptr);

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
    CannotRead,
    DuplicateEntry,
    BadPartSuffix,
    EmptyPart,
};

// The reason in words, for tools that report it.
const char *DescribeLoadFailure(LoadFailure failure);

// Reads the file once into one buffer while checking its signature, then
// decrypts and parses that same buffer into `record` (zeroed by the caller):
// LoadFailure::None when it may be used.
LoadFailure LoadPackageChecked(const char *path, PackageRecord *record);

// True when the package was read completely and its signature verified.
bool LoadPackage(const char *path, PackageRecord *record);

// A zeroed record for LoadPackage, or null when out of memory.
PackageRecord *NewPackageRecord();

// Release a record (or null) with everything it owns, and one entry with its
// information (its data belongs to the record's bytes).
void FreePackage(PackageRecord *record);
void FreePackageEntry(PackageEntry *entry);
