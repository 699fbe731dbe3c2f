// Loading: authentication first, then the whole record; every change to the
// file is refused.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <tuple>

#include "dfulib/suffix/DfuSuffix.h"
#include "tests/support/PackageFixture.h"

namespace {

std::string ContentOf(const PackageEntry &entry)
{
    return {reinterpret_cast<const char *>(entry.data), static_cast<size_t>(entry.size)};
}

std::string AsText(const std::vector<uint8_t> &bytes)
{
    return {bytes.begin(), bytes.end()};
}

} // namespace

using LoadPackageTest = PackageTest;

TEST_F(LoadPackageTest, LoadsPartsStoredOutOfOrderIntoInstallationOrder)
{
    const std::vector<uint8_t> firmware = TestImage(3000, 1);
    const std::vector<uint8_t> loader = TestImage(1010, 2); // whole blocks once encrypted
    const std::vector<uint8_t> pretreatment = TestImage(17, 3);
    const PackageContents contents = {
        CatalogJson(
            {{"fw.bin", "Firmware", "main"}, {"boot.bin", "Bootloader"}, {"pre.bin", "Pretreatment"}}),
        {{"fw.bin.enc", firmware}, {"boot.bin.enc", loader}, {"pre.bin.enc", pretreatment}}};
    for (const bool extraBlock : {false, true}) {
        SCOPED_TRACE(extraBlock ? "extra block after whole blocks" : "standard tar");
        const std::string path = Pack("Update_1.ppu", contents, extraBlock);
        Record record;
        ASSERT_EQ(Load(path, &record), LoadFailure::None);
        EXPECT_TRUE(LoadPackage(path.c_str(), Record(NewPackageRecord()).get()));
        const PartNode *node = record->parts;
        for (const auto &[name, type, image] :
             {std::tuple{"pre.bin", "Pretreatment", pretreatment},
              std::tuple{"boot.bin", "Bootloader", loader}, std::tuple{"fw.bin", "Firmware", firmware}}) {
            ASSERT_NE(node, nullptr);
            EXPECT_STREQ(node->entry->name, name);
            EXPECT_EQ(node->entry->kind, EntryKindPart);
            EXPECT_STREQ(node->entry->info->fileName, name);
            EXPECT_STREQ(node->entry->info->type, type);
            EXPECT_EQ(ContentOf(*node->entry), AsText(image));
            node = node->next;
        }
        EXPECT_EQ(node, nullptr);
        EXPECT_EQ(record->cursor, nullptr);
        const std::vector<uint8_t> bytes = ReadBytes(path);
        EXPECT_EQ(
            std::memcmp(record->signature, bytes.data() + bytes.size() - kSignatureLength, kSignatureLength),
            0);
    }
}

TEST_F(LoadPackageTest, PathsWithoutAFileAnswerNo)
{
    PackSimple("p.ppu");
    const std::pair<const char *, LoadFailure> cases[] = {
        {"", LoadFailure::NoPath},
        {"/tmp/", LoadFailure::NoFileName},
        {"folder\\", LoadFailure::NoFileName},
        {"/nonexistent/p.ppu", LoadFailure::CannotOpen},
    };
    for (const auto &[path, failure] : cases) {
        Record record;
        EXPECT_EQ(Load(path, &record), failure) << path;
    }
    Record record(NewPackageRecord());
    EXPECT_FALSE(LoadPackage(nullptr, record.get()));
    EXPECT_FALSE(LoadPackage(folder.c_str(), record.get())); // a folder is no package
}

// Files are looked at before they are opened, through links: a link to a
// package (named as the package, for its IV) loads it.
TEST_F(LoadPackageTest, ALinkToAPackageLoads)
{
    const std::string original = PackSimple("Update.ppu");
    std::filesystem::create_directory(PathOf("links"));
    std::error_code error;
    std::filesystem::create_symlink(original, PathOf("links/Update.ppu"), error);
    if (error) // Windows makes links only for those allowed to
        GTEST_SKIP() << "no link made: " << error.message();
    Record record;
    EXPECT_EQ(Load(PathOf("links/Update.ppu"), &record), LoadFailure::None);
}

// The name as given decides, its case included: on Windows, where a name
// that differs only in case opens the same file, as on Linux with a copy.
TEST_F(LoadPackageTest, RenamedPackageNoLongerDecrypts)
{
    const std::string original = PackSimple("Update.ppu");
    for (const char *name : {"update.ppu", "Update.PPU", "Update.ppu.bak", "Other.ppu"}) {
        std::error_code differentFile;
        if (!std::filesystem::equivalent(original, PathOf(name), differentFile))
            std::filesystem::copy_file(original, PathOf(name));
        Record record;
        EXPECT_EQ(Load(PathOf(name), &record), LoadFailure::CatalogUnparsable) << name;
    }
    Record record;
    EXPECT_EQ(Load(original, &record), LoadFailure::None);
}

// A producer that encrypted the catalog for the package's name but the parts
// for another (or a copy renamed with its catalog made anew): everything
// verifies and the catalog reads, but the parts are not what was packed.
TEST_F(LoadPackageTest, PartsDecryptedUnderAnotherNameAreRefused)
{
    CopyRenamedKeepingCatalog(PackSimple("Update.ppu"), PathOf("Other.ppu"));
    Record record;
    EXPECT_EQ(Load(PathOf("Other.ppu"), &record), LoadFailure::BadPartSuffix);
    EXPECT_NE(record->catalog, nullptr); // the catalog itself was fine
}

// Every part that will be written must be what a terminal takes: an image
// ending in the DFU suffix of the terminals' vendor (or any vendor) with its
// CRC, and each part once. Refused when loaded, not first at the download.
TEST_F(LoadPackageTest, PartsATerminalWouldRefuseAreRefusedAtLoad)
{
    const auto withSuffix = [](std::vector<uint8_t> payload, uint16_t vendor) {
        uint8_t suffix[tvx::kDfuSuffixLength];
        tvx::WriteDfuSuffix(payload.data(), payload.size(), 0x0470, 0x0470, vendor, suffix);
        payload.insert(payload.end(), suffix, suffix + sizeof suffix);
        return payload;
    };
    const std::vector<uint8_t> payload(100, 0x5A);
    const std::vector<uint8_t> firmware = TestImage(300, 1);
    std::vector<uint8_t> badCrc = TestImage(200, 2);
    badCrc[3] ^= 0x01;
    const std::vector<ListedPart> firmwareAndLoader = {{"fw.bin", "Firmware"}, {"boot.bin", "Bootloader"}};
    const std::vector<ListedPart> twoFirmwares = {{"fw.bin", "Firmware"}, {"fw2.bin", "Firmware"}};
    const auto loader = [&](std::vector<uint8_t> image) {
        return PackageContents{CatalogJson(firmwareAndLoader),
                               {{"fw.bin.enc", firmware}, {"boot.bin.enc", image}}};
    };
    const struct {
        const char *name;
        PackageContents contents;
        LoadFailure failure;
    } cases[] = {
        {"no suffix", loader(payload), LoadFailure::BadPartSuffix},
        {"another vendor", loader(withSuffix(payload, 0x1234)), LoadFailure::BadPartSuffix},
        {"wrong CRC", loader(badCrc), LoadFailure::BadPartSuffix},
        {"any vendor", loader(withSuffix(payload, tvx::kAnyVendorId)), LoadFailure::None},
        {"only a suffix", loader(withSuffix({}, tvx::kVornVendorId)), LoadFailure::EmptyPart},
        {"one name twice",
         {CatalogJson(twoFirmwares), {{"fw.bin.enc", firmware}, {"fw.bin.enc", firmware}}},
         LoadFailure::DuplicateEntry},
        {"one name with and without .enc",
         {CatalogJson(twoFirmwares), {{"fw.bin.enc", firmware}, {"fw.bin", firmware}}},
         LoadFailure::DuplicateEntry},
        {"a dropped part is not written, so not checked",
         {CatalogJson({{"fw.bin", "Firmware"}, {"notes.txt", "Notes"}}),
          {{"fw.bin.enc", firmware}, {"notes.txt.enc", payload}}},
         LoadFailure::None},
    };
    for (const auto &c : cases) {
        Record record;
        EXPECT_EQ(Load(Pack("parts.ppu", c.contents), &record), c.failure) << c.name;
    }
}

TEST_F(LoadPackageTest, EveryChangedByteBeforeTheSignatureIsRefused)
{
    const std::string path = PackSimple("tamper.ppu");
    const std::vector<uint8_t> original = ReadBytes(path);
    const size_t signedLength = original.size() - kSignatureLength;
    FILE *file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    size_t accepted = 0;
    for (size_t offset = 0; offset < signedLength; ++offset) {
        const auto flipped = static_cast<uint8_t>(original[offset] ^ 0x01);
        ASSERT_EQ(std::fseek(file, static_cast<long>(offset), SEEK_SET), 0);
        std::fputc(flipped, file);
        std::fflush(file);
        Record record;
        if (Load(path, &record) != LoadFailure::SignatureMismatch)
            ADD_FAILURE() << "accepted with byte " << offset << " changed" << ++accepted;
        else
            EXPECT_EQ(record->catalogEntry, nullptr); // nothing read before authentication
        std::fseek(file, static_cast<long>(offset), SEEK_SET);
        std::fputc(original[offset], file);
        std::fflush(file);
    }
    std::fclose(file);
    Record record;
    EXPECT_EQ(Load(path, &record), LoadFailure::None);
}

TEST_F(LoadPackageTest, TruncatedExtendedOrUnsignedFilesAreRefused)
{
    const std::vector<uint8_t> original = ReadBytes(PackSimple("p.ppu"));
    const auto variant = [&](const std::function<void(std::vector<uint8_t> &)> &change) {
        std::vector<uint8_t> bytes = original;
        change(bytes);
        WriteBytes(PathOf("p.ppu"), bytes);
        Record record;
        return Load(PathOf("p.ppu"), &record);
    };
    EXPECT_EQ(variant([](auto &b) { b.push_back(0); }), LoadFailure::SignatureMismatch);
    EXPECT_EQ(variant([](auto &b) { b.insert(b.end(), 512, 0); }), LoadFailure::SignatureMismatch);
    EXPECT_EQ(variant([](auto &b) { b.pop_back(); }), LoadFailure::SignatureMismatch);
    EXPECT_EQ(variant([](auto &b) { b.erase(b.end() - kSignatureLength, b.end()); }),
              LoadFailure::SignatureMismatch);
    EXPECT_EQ(variant([](auto &b) { std::fill(b.end() - kSignatureLength, b.end(), 0); }),
              LoadFailure::SignatureMismatch);
    EXPECT_EQ(variant([](auto &b) { b.back() ^= 1; }), LoadFailure::SignatureMismatch);
    EXPECT_EQ(variant([](auto &b) { b.resize(kSignatureLength); }), LoadFailure::SignatureMismatch);
    EXPECT_EQ(variant([](auto &b) { b.resize(kSignatureLength - 1); }), LoadFailure::NoSignatureBlock);
    EXPECT_EQ(variant([](auto &b) { b.clear(); }), LoadFailure::NoSignatureBlock);
}

// Signed files whose entries are unusable: the signature covers only the
// ciphertext, so the reader must refuse them on its own.
TEST_F(LoadPackageTest, SignedButUnreadableEntriesAreRefused)
{
    const std::vector<uint8_t> image = TestImage(100, 4); // 112 bytes encrypted, entry at 1024
    const PackageContents contents = {CatalogJson({{"fw.bin", "Firmware"}}), {{"fw.bin.enc", image}}};
    const std::string path = Pack("bad.ppu", contents); // part header at 1024, content at 1536
    ASSERT_EQ(ReadBytes(path).size(), 2048u + 1024u + kSignatureLength);

    StripSignature(path);
    std::vector<uint8_t> bytes = ReadBytes(path);
    bytes[1024 + 512 + 112 - 17] ^= 0x80; // the part's padding no longer unpads
    WriteBytes(path, bytes);
    AppendSignature(path);
    Record record;
    EXPECT_EQ(Load(path, &record), LoadFailure::EntryUnreadable);
    EXPECT_EQ(record->parts, nullptr);

    // A size field that runs past the end of the file.
    const std::string huge = Pack("huge.ppu", contents);
    StripSignature(huge);
    bytes = ReadBytes(huge);
    std::memcpy(&bytes[1024 + 124], "17777777777", 11);
    WriteBytes(huge, bytes);
    AppendSignature(huge);
    EXPECT_EQ(Load(huge, &record), LoadFailure::EntryUnreadable);
}

TEST_F(LoadPackageTest, FreeingNullAndPartlyReadRecords)
{
    FreePackage(nullptr);
    FreePackageEntry(nullptr);
    // Stops after one part was read and inserted, another read and dropped:
    // the sanitizer build checks that releasing the record frees all of it.
    const PackageContents contents = {CatalogJson({{"b.bin", "Bootloader"}, {"fw.bin", "Firmware"}}),
                                      {{"b.bin.enc", TestImage(30, 1)}, {"x.bin.enc", TestImage(30, 2)}}};
    Record record;
    EXPECT_EQ(Load(Pack("partly.ppu", contents), &record), LoadFailure::UnlistedPart);
    ASSERT_NE(record->catalog, nullptr);
    ASSERT_NE(record->parts, nullptr);
    EXPECT_STREQ(record->parts->entry->name, "b.bin");
}
