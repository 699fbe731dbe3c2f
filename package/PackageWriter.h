// Writing packages: the producer side of the package format, used by
// ppu-tool pack, the tests and the demo data.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "package/Package.h"

struct PackagePart {
    std::string entryName;      // archive name, usually the image's file name + ".enc"
    std::vector<uint8_t> image; // plain image bytes
};

struct PackageContents {
    std::string catalog;            // written as given, even when it is not valid JSON
    std::vector<PackagePart> parts; // stored in this order
};

struct PackageSigning {
    std::array<uint8_t, kContentKeyLength> contentKey{};
    std::string signingKeyPem; // PEM text of the RSA private key
    // One more block after contents whose size is a multiple of 512, as some
    // producers write; standard tar has none.
    bool extraBlock = false;
};

// Writes `contents` to `outputPath`: the catalog entry, one entry per part,
// each encrypted under the IV of the output's file name, the tar end marker
// and the signature block. False with `error` set on failure: no partial file
// is left behind, and an existing file of that name is kept as it was. True
// with `error` set: written, and `error` says what could not be made sure of.
bool WritePackage(const std::string &outputPath, const PackageContents &contents,
                  const PackageSigning &signing, std::string *error);

// A ustar header for a regular file of `size` bytes. False when the name does
// not fit the 100-byte name field.
bool FormatEntryHeader(const std::string &name, uint64_t size, uint8_t header[kEntryBlockLength]);

// AES-256-CBC with standard padding, as the reader decrypts.
std::vector<uint8_t> EncryptContent(const uint8_t *plain, size_t length, const uint8_t *key,
                                    const uint8_t *iv);

// The IV source for a package file: SHA-256 of its file name.
std::array<uint8_t, 32> ContentIvFor(const std::string &packagePath);

// The content key from 64 hex digits (lines starting with '#' ignored).
bool ParseContentKeyHex(const std::string &text, std::array<uint8_t, kContentKeyLength> *key);
