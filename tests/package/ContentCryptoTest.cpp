// Content key, file-name IV and decryption.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/PackageFixture.h"

TEST(ContentKey, IsTheKeyOfTheConfiguredKeyFile)
{
    const std::vector<uint8_t> file = ReadBytes(TVX_CONTENT_KEY_FILE);
    std::array<uint8_t, kContentKeyLength> expected{};
    ASSERT_TRUE(ParseContentKeyHex(std::string(file.begin(), file.end()), &expected));
    uint8_t key[kContentKeyLength] = {};
    BuildContentKey(key);
    EXPECT_EQ(HexOf(key, sizeof key), HexOf(expected.data(), expected.size()));
}

TEST(ContentIv, IsTheSha256OfTheNameAsWritten)
{
    ASSERT_TRUE(DeriveContentIv("abc"));
    EXPECT_EQ(HexOf(contentIv, sizeof contentIv),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    ASSERT_TRUE(DeriveContentIv("ABC"));
    EXPECT_NE(HexOf(contentIv, 4), "ba7816bf");
    EXPECT_FALSE(DeriveContentIv(nullptr));
}

class DecryptContentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BuildContentKey(key);
        ASSERT_TRUE(DeriveContentIv("fw.ppu"));
        plain = TestImage(100, 7);
        cipher = EncryptContent(plain.data(), plain.size(), key, contentIv);
        ASSERT_EQ(cipher.size(), 112u);
    }

    int32_t Decrypt(std::vector<uint8_t> *bytes, const uint8_t *iv, bool *complete)
    {
        return DecryptContent(bytes->data(), static_cast<int32_t>(bytes->size()), key, iv, bytes->data(),
                              complete);
    }

    uint8_t key[kContentKeyLength];
    std::vector<uint8_t> plain;
    std::vector<uint8_t> cipher;
};

TEST_F(DecryptContentTest, DecryptsInPlaceWithoutThePadding)
{
    bool complete = false;
    ASSERT_EQ(Decrypt(&cipher, contentIv, &complete), 100);
    EXPECT_TRUE(complete);
    EXPECT_EQ(std::memcmp(cipher.data(), plain.data(), plain.size()), 0);
}

TEST_F(DecryptContentTest, InvalidPaddingEndsBeforeTheLastBlockAndSaysSo)
{
    cipher[cipher.size() - 17] ^= 0x80; // turns the last padding byte into an impossible value
    bool complete = true;
    EXPECT_EQ(Decrypt(&cipher, contentIv, &complete), 96);
    EXPECT_FALSE(complete);
    EXPECT_EQ(std::memcmp(cipher.data(), plain.data(), 80), 0);
}

TEST_F(DecryptContentTest, WrongIvGarblesOnlyTheFirstBlock)
{
    uint8_t otherIv[32];
    std::memcpy(otherIv, contentIv, sizeof otherIv);
    otherIv[0] ^= 1;
    bool complete = false;
    ASSERT_EQ(Decrypt(&cipher, otherIv, &complete), 100);
    EXPECT_TRUE(complete);
    EXPECT_NE(cipher[0], plain[0]);
    EXPECT_EQ(std::memcmp(cipher.data() + 1, plain.data() + 1, 99), 0);
}

TEST_F(DecryptContentTest, PartialBlocksAndEmptyInputAreIncomplete)
{
    bool complete = true;
    cipher.resize(100);
    EXPECT_LE(Decrypt(&cipher, contentIv, &complete), 100);
    EXPECT_FALSE(complete);
    EXPECT_EQ(DecryptContent(cipher.data(), 0, key, contentIv, cipher.data(), &complete), 0);
    EXPECT_FALSE(complete);
}
