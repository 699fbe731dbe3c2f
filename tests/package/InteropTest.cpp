// The package format against the OpenSSL and tar command lines: packages
// made here check out with them, and packages made with them load here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/PackageFixture.h"

namespace {

bool CommandLineToolsPresent()
{
    return std::system("command -v openssl >/dev/null 2>&1 && command -v tar >/dev/null 2>&1") == 0;
}

std::string ContentKeyHex()
{
    uint8_t key[kContentKeyLength];
    BuildContentKey(key);
    return HexOf(key, sizeof key);
}

std::string Quoted(const std::string &text)
{
    return "'" + text + "'";
}

} // namespace

class InteropTest : public PackageTest {
protected:
    void SetUp() override
    {
        if (!CommandLineToolsPresent())
            GTEST_SKIP() << "openssl or tar command line not available";
        PackageTest::SetUp();
    }
};

TEST_F(InteropTest, PackagesVerifyAndDecryptWithTheOpenSslCommandLine)
{
    const std::vector<uint8_t> firmware = TestImage(5000, 1);
    const std::vector<uint8_t> loader = TestImage(1010, 2); // whole blocks once encrypted
    const std::string catalog = CatalogJson({{"boot.bin", "Bootloader"}, {"fw.bin", "Firmware"}});
    const std::string path =
        Pack("Update 2.ppu", {catalog, {{"boot.bin.enc", loader}, {"fw.bin.enc", firmware}}});
    const std::string out = PathOf("check");
    std::filesystem::create_directory(out);

    const std::string command = "sh " TVX_TEST_SCRIPTS "/openssl-check.sh " + Quoted(path) +
                                " " TVX_DEV_KEYS_DIR "/package-verify.pem " + ContentKeyHex() + " " +
                                Quoted(out) + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<uint8_t> catalogBytes = ReadBytes(out + "/catalog.json");
    EXPECT_EQ(std::string(catalogBytes.begin(), catalogBytes.end()), catalog);
    EXPECT_EQ(ReadBytes(out + "/boot.bin"), loader);
    EXPECT_EQ(ReadBytes(out + "/fw.bin"), firmware);
}

TEST_F(InteropTest, PackagesOfAnotherProducerLoadInInstallationOrder)
{
    const std::string plain = PathOf("plain");
    std::filesystem::create_directory(plain);
    const std::vector<uint8_t> firmware = TestImage(2000, 1);
    const std::vector<uint8_t> loader = TestImage(1010, 2);
    const std::vector<uint8_t> pretreatment = TestImage(33, 3);
    const std::string catalog =
        CatalogJson({{"pre.bin", "Pretreatment"}, {"boot.bin", "Bootloader"}, {"fw.bin", "Firmware"}});
    WriteBytes(plain + "/catalog.json", std::vector<uint8_t>(catalog.begin(), catalog.end()));
    WriteBytes(plain + "/fw.bin", firmware);
    WriteBytes(plain + "/boot.bin", loader);
    WriteBytes(plain + "/pre.bin", pretreatment);

    const std::string path = PathOf("Other.ppu");
    const std::string command = "sh " TVX_TEST_SCRIPTS "/independent-package.sh " + Quoted(path) +
                                " " TVX_DEV_KEYS_DIR "/package-signing.pem " + ContentKeyHex() + " " +
                                Quoted(plain) + " catalog.json fw.bin boot.bin pre.bin";
    ASSERT_EQ(std::system(command.c_str()), 0);

    Record record;
    ASSERT_EQ(Load(path, &record), LoadFailure::None);
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> expected = {
        {"pre.bin", pretreatment}, {"boot.bin", loader}, {"fw.bin", firmware}};
    const PartNode *node = record->parts;
    for (const auto &[name, image] : expected) {
        ASSERT_NE(node, nullptr);
        EXPECT_STREQ(node->entry->name, name.c_str());
        EXPECT_EQ(std::vector<uint8_t>(node->entry->data, node->entry->data + node->entry->size), image);
        node = node->next;
    }
    EXPECT_EQ(node, nullptr);
}
