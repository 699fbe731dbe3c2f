// Packages built in the test with the producer's own functions, in a
// temporary folder per test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "package/Package.h"
#include "package/PackageWriter.h"

struct ListedPart {
    std::string fileName;
    std::string type;
    std::string subject = "";
};

// A catalog with the given "File list"; `extra` members are added at the top level.
std::string CatalogJson(const std::vector<ListedPart> &parts, const std::string &extra = "");

// An image of `size` bytes whose content depends on `seed`; one of more than
// 16 bytes ends with a valid DFU suffix, as every part image does.
std::vector<uint8_t> TestImage(size_t size, uint8_t seed);

std::vector<uint8_t> ReadBytes(const std::string &path);
void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes);

// The development signing key and the content key this build loads with.
PackageSigning DevelopmentSigning();

std::string HexOf(const uint8_t *bytes, size_t length);

struct RecordFree {
    void operator()(PackageRecord *record) const { FreePackage(record); }
};
using Record = std::unique_ptr<PackageRecord, RecordFree>;

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string PathOf(const std::string &name) const { return folder + "/" + name; }

    // Writes a package named `name` into the folder and returns its path.
    std::string Pack(const std::string &name, const PackageContents &contents, bool extraBlock = false);

    // A firmware-only package with one part "fw.bin".
    std::string PackSimple(const std::string &name);

    // Loads `path` into a fresh record.
    LoadFailure Load(const std::string &path, Record *record);

    std::string folder;
};

// Signs the file's current bytes with the development key and appends the
// signature block, as a producer does last.
void AppendSignature(const std::string &path);

// Removes the signature block again.
void StripSignature(const std::string &path);

// Copies the package at `from` to `to` as a renamed copy whose catalog alone
// was encrypted anew for the new name, signed again: its catalog reads, its
// parts decrypt into other bytes than were packed.
void CopyRenamedKeepingCatalog(const std::string &from, const std::string &to);
