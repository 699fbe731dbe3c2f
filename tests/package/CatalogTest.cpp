// Catalog values, part matching and installation order.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/PackageFixture.h"

namespace {

// A part entry with an info record of the given type (null for none).
PackageEntry *PartOfType(const char *name, const char *type)
{
    auto *entry = static_cast<PackageEntry *>(std::calloc(1, sizeof(PackageEntry)));
    std::strncpy(entry->name, name, 100);
    entry->info = static_cast<PartInfo *>(std::calloc(1, sizeof(PartInfo)));
    entry->info->type = type ? strdup(type) : nullptr;
    return entry;
}

std::vector<std::string> NamesOf(const PartNode *node)
{
    std::vector<std::string> names;
    for (; node; node = node->next)
        names.emplace_back(node->entry->name);
    return names;
}

std::vector<std::string> TextsOf(const TextNode *node)
{
    std::vector<std::string> texts;
    for (; node; node = node->next)
        texts.emplace_back(node->text);
    return texts;
}

} // namespace

TEST(InsertPart, PretreatmentsThenBootloadersThenFirmware)
{
    PackageRecord *record = NewPackageRecord();
    const std::pair<const char *, const char *> readOrder[] = {
        {"A", "Firmware"},    {"B1", "Bootloader"},   {"P1", "Pretreatment"},
        {"B2", "Bootloader"}, {"P2", "Pretreatment"}, {"F2", "Firmware"},
    };
    for (const auto &[name, type] : readOrder)
        ASSERT_EQ(InsertPart(&record->parts, PartOfType(name, type)), 0);
    EXPECT_EQ(NamesOf(record->parts), (std::vector<std::string>{"P2", "P1", "B2", "B1", "A", "F2"}));

    for (const char *type : {"firmware", "Firmware ", "", static_cast<const char *>(nullptr)}) {
        PackageEntry *entry = PartOfType("X", type);
        EXPECT_EQ(InsertPart(&record->parts, entry), PKG_ERR_UNKNOWN_TYPE);
        FreePackageEntry(entry);
    }
    EXPECT_EQ(NamesOf(record->parts).size(), 6u);
    FreePackage(record);
}

TEST(StripEncExtension, CutsOnlyATrailingEncOfAnyCase)
{
    const std::pair<const char *, const char *> cases[] = {
        {"image.bin.enc", "image.bin"},
        {"image.bin.ENC", "image.bin"},
        {"image.enc.bin", "image.enc.bin"},
        {"image.encx", "image.encx"},
        {"image.en", "image.en"},
        {".enc", ""},
        {"enc", "enc"},
        {"a.b.Enc", "a.b"},
    };
    for (const auto &[name, expected] : cases) {
        char text[101] = {};
        std::strncpy(text, name, 100);
        StripEncExtension(text);
        EXPECT_STREQ(text, expected) << name;
    }
}

using CatalogTest = PackageTest;

TEST_F(CatalogTest, ValuesAreKeptWithVersionListsReversed)
{
    const std::string catalog =
        R"({"Catalog version": "1", "Unknown": {"Catalog version": "9"},
            "PPU Header version": "3", "DFU files have PPU header": true,
            "Overview": {"Company": "Vorn", "Subject": "Update", "Other": 5},
            "Terminal information": {"Terminal type": "0x1d6", "Other": [1],
              "Bootloader supported versions": [{"Version": "001.002.003"}, {"Version": "002.000.000", "X": 1}],
              "Firmware supported versions": [{"Version": "3.10"}, {"Other": "x"}],
              "Alternate pretreatment for bootloader": [{"Version": "a"}, {"Version": "b"}]},
            "File list": [{"File name": "fw.bin", "Type": "Firmware", "Subject": "main", "Extra": null}],
            "Catalog version": "2"})";
    Record record;
    ASSERT_EQ(Load(Pack("values.ppu", {catalog, {{"fw.bin.enc", TestImage(40, 2)}}}), &record),
              LoadFailure::None);
    const CatalogInfo &info = *record->catalog;
    EXPECT_STREQ(info.catalogVersion, "2");
    EXPECT_STREQ(info.ppuHeaderVersion, "3");
    EXPECT_EQ(info.dfuFilesHavePpuHeader, 1);
    EXPECT_STREQ(info.company, "Vorn");
    EXPECT_STREQ(info.subject, "Update");
    EXPECT_STREQ(info.terminalType, "0x1d6");
    EXPECT_EQ(TextsOf(info.bootloaderVersions), (std::vector<std::string>{"002.000.000", "001.002.003"}));
    EXPECT_EQ(TextsOf(info.firmwareVersions), (std::vector<std::string>{"3.10"}));
    EXPECT_EQ(TextsOf(info.alternatePretreatmentVersions), (std::vector<std::string>{"b", "a"}));

    ASSERT_NE(record->catalogEntry, nullptr);
    EXPECT_EQ(record->catalogEntry->kind, EntryKindCatalog);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(record->catalogEntry->data),
                          static_cast<size_t>(record->catalogEntry->size)),
              catalog);
    const PartInfo &part = *record->parts->entry->info;
    EXPECT_STREQ(part.fileName, "fw.bin");
    EXPECT_STREQ(part.type, "Firmware");
    EXPECT_STREQ(part.subject, "main");
}

TEST_F(CatalogTest, MissingMembersStayNullOrEmpty)
{
    Record record;
    ASSERT_EQ(Load(Pack("bare.ppu", {R"({"File list": [{"File name": "fw.bin", "Type": "Firmware"}]})",
                                     {{"fw.bin.enc", TestImage(40, 2)}}}),
                   &record),
              LoadFailure::None);
    const CatalogInfo &info = *record->catalog;
    EXPECT_EQ(info.catalogVersion, nullptr);
    EXPECT_EQ(info.ppuHeaderVersion, nullptr);
    EXPECT_EQ(info.dfuFilesHavePpuHeader, 0);
    EXPECT_EQ(info.company, nullptr);
    EXPECT_EQ(info.terminalType, nullptr);
    EXPECT_EQ(info.bootloaderVersions, nullptr);
    EXPECT_EQ(record->parts->entry->info->subject, nullptr);
}

TEST_F(CatalogTest, PartsAreMatchedByNameAndNeedAKnownType)
{
    const std::vector<uint8_t> fw = TestImage(64, 1);
    const std::vector<uint8_t> other = TestImage(64, 2);
    struct Case {
        const char *label;
        std::string catalog;
        std::vector<PackagePart> parts;
        LoadFailure expected;
        std::vector<std::string> loadedParts;
    } cases[] = {
        {"entry name cut at .ENC",
         CatalogJson({{"image.bin", "Firmware"}}),
         {{"image.bin.ENC", fw}},
         LoadFailure::None,
         {"image.bin"}},
        {".enc inside the name stays",
         CatalogJson({{"image.enc.bin", "Firmware"}}),
         {{"image.enc.bin", fw}},
         LoadFailure::None,
         {"image.enc.bin"}},
        {"unlisted entry",
         CatalogJson({{"fw.bin", "Firmware"}}),
         {{"other.bin.enc", fw}},
         LoadFailure::UnlistedPart,
         {}},
        {"lower-case type dropped",
         CatalogJson({{"fw.bin", "Firmware"}, {"x.bin", "firmware"}}),
         {{"fw.bin.enc", fw}, {"x.bin.enc", other}},
         LoadFailure::None,
         {"fw.bin"}},
        {"only firmware has a wrong type",
         CatalogJson({{"fw.bin", "firmware"}}),
         {{"fw.bin.enc", fw}},
         LoadFailure::NoFirmwarePart,
         {}},
        {"element without type dropped",
         R"({"File list": [{"File name": "fw.bin", "Type": "Firmware"}, {"File name": "x.bin"}]})",
         {{"x.bin.enc", other}, {"fw.bin.enc", fw}},
         LoadFailure::None,
         {"fw.bin"}},
        {"no firmware part",
         CatalogJson({{"b.bin", "Bootloader"}}),
         {{"b.bin.enc", fw}},
         LoadFailure::NoFirmwarePart,
         {"b.bin"}},
        {"empty file list", CatalogJson({}), {{"fw.bin.enc", fw}}, LoadFailure::NoFirmwarePart, {}},
        {"no file list",
         R"({"Catalog version": "2"})",
         {{"fw.bin.enc", fw}},
         LoadFailure::NoFirmwarePart,
         {}},
        {"more listed than stored",
         CatalogJson({{"fw.bin", "Firmware"}, {"b.bin", "Bootloader"}}),
         {{"fw.bin.enc", fw}},
         LoadFailure::EntryUnreadable,
         {"fw.bin"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        Record record;
        EXPECT_EQ(Load(Pack("parts.ppu", {c.catalog, c.parts}), &record), c.expected);
        EXPECT_EQ(NamesOf(record->parts), c.loadedParts);
    }
}

TEST_F(CatalogTest, ValuesOfOtherTypesRejectTheCatalog)
{
    const char *catalogs[] = {
        R"(["File list"])",
        R"({"Catalog version": 2})",
        R"({"PPU Header version": null})",
        R"({"DFU files have PPU header": "yes"})",
        R"({"Overview": ["Company"]})",
        R"({"Overview": {"Company": 1}})",
        R"({"Terminal information": {"Terminal type": 470}})",
        R"({"Terminal information": {"Firmware supported versions": {"Version": "1.0"}}})",
        R"({"Terminal information": {"Bootloader supported versions": ["1.0"]}})",
        R"({"Terminal information": {"Bootloader supported versions": [{"Version": 1}]}})",
        R"({"File list": {"File name": "fw.bin", "Type": "Firmware"}})",
        R"({"File list": [{"File name": "fw.bin", "Type": "Firmware"}, 1]})",
        R"({"File list": [{"File name": "fw.bin", "Type": true}]})",
        R"({"File list": [{"File name": "fw.bin", "Type": "Firmware"}] /* comment */})",
        R"({"File list": [{"File name": "fw.bin", "Type": "Firmware"}])",
        "",
    };
    for (const char *catalog : catalogs) {
        SCOPED_TRACE(catalog);
        Record record;
        EXPECT_EQ(Load(Pack("types.ppu", {catalog, {{"fw.bin.enc", TestImage(64, 1)}}}), &record),
                  LoadFailure::CatalogUnparsable);
        EXPECT_EQ(record->catalog, nullptr);
        EXPECT_EQ(record->parts, nullptr);
    }
}
