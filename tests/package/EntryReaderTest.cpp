// One archive entry: header fields, content bounds, padding and positions.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/PackageFixture.h"

namespace {

// A header whose size field holds `sizeField` (up to 12 bytes, NUL-padded).
std::vector<uint8_t> Header(const std::string &name, const std::string &sizeField)
{
    std::vector<uint8_t> header(kEntryBlockLength);
    EXPECT_TRUE(FormatEntryHeader(name.substr(0, 100), 16, header.data()));
    if (name.size() == 100)
        std::memcpy(header.data(), name.data(), 100);
    std::memset(&header[124], 0, 12);
    std::memcpy(&header[124], sizeField.data(), std::min<size_t>(sizeField.size(), 12));
    return header;
}

std::vector<uint8_t> Encrypted(const std::vector<uint8_t> &plain)
{
    uint8_t key[kContentKeyLength];
    BuildContentKey(key);
    return EncryptContent(plain.data(), plain.size(), key, contentIv);
}

void Append(std::vector<uint8_t> *file, const std::vector<uint8_t> &bytes)
{
    file->insert(file->end(), bytes.begin(), bytes.end());
}

} // namespace

class EntryReaderTest : public PackageTest {
protected:
    void SetUp() override
    {
        PackageTest::SetUp();
        ASSERT_TRUE(DeriveContentIv("entries.ppu"));
    }

    // Reads the entry at `*position` of signed bytes that are `bytes`; the
    // entry's data lies in `signedBytes`.
    int32_t ReadEntry(const std::vector<uint8_t> &bytes, int32_t *position)
    {
        signedBytes = bytes;
        entry = {};
        return ReadPackageEntry({signedBytes.data(), static_cast<int32_t>(signedBytes.size())}, EntryKindPart,
                                &entry, position);
    }

    std::vector<uint8_t> signedBytes;
    PackageEntry entry{};
};

TEST_F(EntryReaderTest, SizeFieldIsOctalAndSetsTheNextHeader)
{
    const std::vector<uint8_t> plain1000 = TestImage(1000, 3); // 1008 bytes encrypted
    const std::vector<uint8_t> plain10 = TestImage(10, 4);     // 16 bytes encrypted
    struct Case {
        const char *sizeField;
        const std::vector<uint8_t> *plain;
        int32_t nextPosition;
    } cases[] = {
        {"1760", &plain1000, 512 + 1024},    {"00000001760", &plain1000, 512 + 1024},
        {"  1760 ", &plain1000, 512 + 1024}, {"20", &plain10, 512 + 512},
        {"+20", &plain10, 512 + 512},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sizeField);
        std::vector<uint8_t> bytes = Header("part.bin.enc", c.sizeField);
        Append(&bytes, Encrypted(*c.plain));
        bytes.resize(4096, 0);
        int32_t position = 0;
        ASSERT_EQ(ReadEntry(bytes, &position), 0);
        EXPECT_EQ(position, c.nextPosition);
        EXPECT_EQ(entry.kind, EntryKindPart);
        EXPECT_EQ(entry.data, signedBytes.data() + 512); // decrypted in place
        EXPECT_STREQ(entry.name, "part.bin.enc");
        ASSERT_EQ(entry.size, static_cast<int32_t>(c.plain->size()));
        EXPECT_EQ(std::memcmp(entry.data, c.plain->data(), c.plain->size()), 0);
        EXPECT_EQ(entry.info, nullptr);
    }
}

TEST_F(EntryReaderTest, UnusableSizesFailBeforeReadingContent)
{
    struct Case {
        std::string sizeField;
        int32_t result;
    } cases[] = {
        {std::string(12, '\0'), PKG_ERR_READ},
        {std::string(12, ' '), PKG_ERR_READ},
        {"0", PKG_ERR_READ},
        {"x20", PKG_ERR_READ},
        {"10000", PKG_ERR_READ},       // 4096 bytes: more than the file holds
        {"77777777777", PKG_ERR_READ}, // saturates at the 32-bit maximum
        {"-20", PKG_ERR_NO_MEMORY},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sizeField);
        std::vector<uint8_t> bytes = Header("part.bin.enc", c.sizeField);
        Append(&bytes, Encrypted(TestImage(10, 1)));
        bytes.resize(2048, 0);
        int32_t position = 0;
        EXPECT_EQ(ReadEntry(bytes, &position), c.result);
        EXPECT_EQ(entry.data, nullptr);
    }
}

TEST_F(EntryReaderTest, HeaderIsReadOnlyForNameAndSize)
{
    const std::string longName(100, 'n');
    std::vector<uint8_t> bytes = Header(longName, "20");
    std::memset(&bytes[148], 'x', 8); // checksum
    std::memset(&bytes[156], 'Z', 1); // type flag
    std::memset(&bytes[257], 0, 255); // no ustar magic
    Append(&bytes, Encrypted(TestImage(10, 1)));
    int32_t position = 0;
    ASSERT_EQ(ReadEntry(bytes, &position), 0);
    EXPECT_EQ(std::string(entry.name), longName);
}

TEST_F(EntryReaderTest, EntryEndingTheFileWithoutPaddingIsReadAndThenNothingMore)
{
    std::vector<uint8_t> bytes = Header("a.enc", "20");
    Append(&bytes, Encrypted(TestImage(10, 1)));
    int32_t position = 0;
    ASSERT_EQ(ReadEntry(bytes, &position), 0);
    EXPECT_EQ(position, 1024);
    EXPECT_GT(position, static_cast<int32_t>(bytes.size()));
    EXPECT_EQ(ReadEntry(bytes, &position), PKG_ERR_READ);

    int32_t negative = -512;
    EXPECT_EQ(ReadEntry(bytes, &negative), PKG_ERR_READ);
}

TEST_F(EntryReaderTest, ShortContentAndBadPaddingFail)
{
    std::vector<uint8_t> shortContent = Header("a.enc", "40"); // 32 bytes announced
    Append(&shortContent, Encrypted(TestImage(10, 1)));
    int32_t position = 0;
    EXPECT_EQ(ReadEntry(shortContent, &position), PKG_ERR_READ);

    // The ciphertext is whole but its last block does not unpad: the image
    // would be handed on truncated.
    std::vector<uint8_t> badPadding = Header("a.enc", "40");
    std::vector<uint8_t> cipher = Encrypted(TestImage(20, 1));
    cipher[15] ^= 0x80;
    Append(&badPadding, cipher);
    badPadding.resize(2048, 0);
    position = 0;
    EXPECT_EQ(ReadEntry(badPadding, &position), PKG_ERR_READ);
    EXPECT_EQ(entry.data, nullptr);
}

TEST_F(EntryReaderTest, ContentFillingWholeBlocksIsFollowedByEitherLayout)
{
    const std::vector<uint8_t> plain = TestImage(1010, 9); // 1024 bytes encrypted
    const std::vector<uint8_t> next = Header("next.enc", "20");
    std::vector<uint8_t> standard = Header("a.enc", "2000");
    Append(&standard, Encrypted(plain));
    Append(&standard, next);
    Append(&standard, std::vector<uint8_t>(1024, 0));
    int32_t position = 0;
    ASSERT_EQ(ReadEntry(standard, &position), 0);
    EXPECT_EQ(position, 512 + 1024);

    std::vector<uint8_t> extra = Header("a.enc", "2000");
    Append(&extra, Encrypted(plain));
    Append(&extra, std::vector<uint8_t>(512, 0));
    Append(&extra, next);
    Append(&extra, std::vector<uint8_t>(1024, 0));
    position = 0;
    ASSERT_EQ(ReadEntry(extra, &position), 0);
    EXPECT_EQ(position, 512 + 1024 + 512);
}
