#include <gtest/gtest.h>

#include "tests/versions/ImageFixture.h"
#include "versions/Versions.h"

namespace {

TEST(HeaderWord, IsTheFirstLittleEndianWordOrZero)
{
    ImageBytes image(4, 0x00010203);
    PackageEntry entry = image.Entry();
    EXPECT_EQ(headerWord(&entry), 0x00010203u);
    EXPECT_EQ(HeaderGeneration(0x00010203), 1u);

    ImageBytes tooShort(3);
    entry = tooShort.Entry();
    entry.data[0] = 0xFF;
    EXPECT_EQ(headerWord(&entry), 0u);
    entry.size = -4;
    EXPECT_EQ(headerWord(&entry), 0u);
    entry = ImageBytes(0).Entry();
    EXPECT_EQ(headerWord(&entry), 0u);
    EXPECT_EQ(headerWord(nullptr), 0u);
}

struct HeaderCase {
    const char *description;
    std::size_t size;
    uint32_t word;
    std::size_t firmwareOffset;
    std::size_t loaderOffset;
    std::size_t identOffset; // 0: a BCD header without one
};

TEST(ReadImageVersions, BcdHeadersByLayout)
{
    const HeaderCase cases[] = {
        {"layout 0x00", 228, 0x00000000, 224, 226, 0},
        {"layout 0x10", 356, 0x00000010, 352, 354, 0},
        {"layout 0x30", 400, 0x00000030, 352, 354, 0},
        {"generation 2 reads as BCD", 356, 0x00020000, 224, 226, 0},
    };
    for (const HeaderCase &c : cases) {
        ImageBytes image(c.size, c.word);
        image.Put16(c.firmwareOffset, 0x0319).Put16(c.loaderOffset, 0x0102);
        PackageEntry entry = image.Entry();
        ImageVersions versions;
        uint32_t ident = 77;
        ASSERT_EQ(ReadImageVersions(&entry, c.word, &versions, &ident), 0u) << c.description;
        EXPECT_EQ(versions.firmware, 0x0319u) << c.description;
        EXPECT_EQ(versions.firmwareText, "003.019.---") << c.description;
        EXPECT_EQ(versions.loader, 0x0102u) << c.description;
        EXPECT_EQ(versions.loaderText, "001.002.---") << c.description;
        EXPECT_EQ(ident, 77u) << c.description;
    }
}

TEST(ReadImageVersions, ThreePartHeadersByLayout)
{
    const HeaderCase cases[] = {
        {"layout 1", 392, Gen1Header(1), 352, 348, 388},
        {"layout 2", 648, Gen1Header(2), 608, 604, 644},
    };
    for (const HeaderCase &c : cases) {
        ImageBytes image(c.size, c.word);
        image.Put32(c.firmwareOffset, 0x040700).Put32(c.loaderOffset, 0x010203).Put32(c.identOffset, 12345);
        PackageEntry entry = image.Entry();
        ImageVersions versions;
        uint32_t ident = 0;
        ASSERT_EQ(ReadImageVersions(&entry, c.word, &versions, &ident), 0u) << c.description;
        EXPECT_EQ(versions.firmware, 0x040700u) << c.description;
        EXPECT_EQ(versions.firmwareText, "004.007.000") << c.description;
        EXPECT_EQ(versions.loader, 0x010203u) << c.description;
        EXPECT_EQ(versions.loaderText, "001.002.003") << c.description;
        EXPECT_EQ(ident, 12345u) << c.description;
        EXPECT_EQ(ReadImageVersions(&entry, c.word, &versions, nullptr), 0u) << c.description;
    }
}

// Headers whose fields the image cannot hold, and an unknown layout: refused
// without reading past the image and without writing anything.
TEST(ReadImageVersions, RefusesFieldsOutsideTheImage)
{
    struct Refused {
        const char *description;
        std::size_t size;
        uint32_t word;
    };
    const Refused cases[] = {
        {"layout 3", 1024, Gen1Header(3)},
        {"layout 1, identification cut", 391, Gen1Header(1)},
        {"layout 2, identification cut", 647, Gen1Header(2)},
        {"layout 2, all fields beyond", 400, Gen1Header(2)},
        {"BCD layout 0x00, loader cut", 227, 0x00000000},
        {"BCD layout 0x10, both beyond", 300, 0x00000010},
        {"header word only", 4, Gen1Header(2)},
    };
    for (const Refused &c : cases) {
        ImageBytes image(c.size, c.word);
        PackageEntry entry = image.Entry();
        ImageVersions versions{"kept", 1, "kept", 2};
        uint32_t ident = 77;
        EXPECT_EQ(ReadImageVersions(&entry, c.word, &versions, &ident), UPG_BAD_FIRMWARE_FORMAT)
            << c.description;
        EXPECT_EQ(versions.firmwareText, "kept") << c.description;
        EXPECT_EQ(versions.firmware, 1u) << c.description;
        EXPECT_EQ(versions.loader, 2u) << c.description;
        EXPECT_EQ(ident, 77u) << c.description;
    }
    ImageVersions versions;
    EXPECT_EQ(ReadImageVersions(nullptr, 0, &versions, nullptr), UPG_BAD_FIRMWARE_FORMAT);
}

} // namespace
