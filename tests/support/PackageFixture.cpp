#include "tests/support/PackageFixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "dfulib/suffix/DfuSuffix.h"
#include "package/Crypto.h"
#include "tests/support/TemporaryFolder.h"

std::string CatalogJson(const std::vector<ListedPart> &parts, const std::string &extra)
{
    std::string json =
        "{\"Catalog version\": \"2\", \"Terminal information\": {\"Terminal type\": \"470\"}, "
        "\"File list\": [";
    for (size_t i = 0; i < parts.size(); ++i) {
        json += (i ? ", " : "") + std::string(R"({"File name": ")") + parts[i].fileName + R"(", "Type": ")" +
                parts[i].type + "\"";
        if (!parts[i].subject.empty())
            json += R"(, "Subject": ")" + parts[i].subject + "\"";
        json += "}";
    }
    return json + "]" + (extra.empty() ? "" : ", " + extra) + "}";
}

std::vector<uint8_t> TestImage(size_t size, uint8_t seed)
{
    std::vector<uint8_t> image(size);
    for (size_t i = 0; i < size; ++i)
        image[i] = static_cast<uint8_t>(i * 31 + seed + (i >> 9));
    if (size > tvx::kDfuSuffixLength) {
        const size_t payload = size - tvx::kDfuSuffixLength;
        tvx::WriteDfuSuffix(image.data(), payload, 0x0470, 0x0470, tvx::kVornVendorId, &image[payload]);
    }
    return image;
}

std::vector<uint8_t> ReadBytes(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

PackageSigning DevelopmentSigning()
{
    PackageSigning signing;
    const std::vector<uint8_t> pem = ReadBytes(TVX_DEV_KEYS_DIR "/package-signing.pem");
    signing.signingKeyPem.assign(pem.begin(), pem.end());
    BuildContentKey(signing.contentKey.data());
    return signing;
}

std::string HexOf(const uint8_t *bytes, size_t length)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < length; ++i) {
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 15];
    }
    return hex;
}

void PackageTest::SetUp()
{
    folder = MakeTemporaryFolder("tvx-package");
    ASSERT_FALSE(folder.empty());
}

void PackageTest::TearDown()
{
    std::filesystem::remove_all(folder);
}

std::string PackageTest::Pack(const std::string &name, const PackageContents &contents, bool extraBlock)
{
    PackageSigning signing = DevelopmentSigning();
    signing.extraBlock = extraBlock;
    std::string error;
    std::string path = PathOf(name);
    EXPECT_TRUE(WritePackage(path, contents, signing, &error)) << error;
    return path;
}

std::string PackageTest::PackSimple(const std::string &name)
{
    return Pack(name, {CatalogJson({{"fw.bin", "Firmware"}}), {{"fw.bin.enc", TestImage(100, 1)}}});
}

LoadFailure PackageTest::Load(const std::string &path, Record *record)
{
    record->reset(NewPackageRecord());
    return LoadPackageChecked(path.c_str(), record->get());
}

void AppendSignature(const std::string &path)
{
    std::vector<uint8_t> bytes = ReadBytes(path);
    uint8_t digest[tvx::crypto::kSha512Length];
    std::vector<uint8_t> signature;
    ASSERT_EQ(tvx::crypto::Digest(tvx::crypto::HashKind::Sha512, bytes.data(), bytes.size(), digest), 0);
    ASSERT_EQ(tvx::crypto::SignSha512Digest(DevelopmentSigning().signingKeyPem, digest, &signature), 0);
    bytes.insert(bytes.end(), signature.begin(), signature.end());
    WriteBytes(path, bytes);
}

void StripSignature(const std::string &path)
{
    std::vector<uint8_t> bytes = ReadBytes(path);
    ASSERT_GE(bytes.size(), kSignatureLength) << path;
    bytes.erase(bytes.end() - kSignatureLength, bytes.end());
    WriteBytes(path, bytes);
}

void CopyRenamedKeepingCatalog(const std::string &from, const std::string &to)
{
    std::vector<uint8_t> bytes = ReadBytes(from);
    ASSERT_GT(bytes.size(), 2u * kEntryBlockLength + kSignatureLength) << from;
    bytes.erase(bytes.end() - kSignatureLength, bytes.end());
    const auto size =
        static_cast<int32_t>(std::strtol(reinterpret_cast<const char *>(&bytes[124]), nullptr, 8));
    ASSERT_GT(size, 0);
    ASSERT_LE(static_cast<size_t>(size), bytes.size() - kEntryBlockLength);
    uint8_t *const content = bytes.data() + kEntryBlockLength;
    const PackageSigning signing = DevelopmentSigning();
    const int32_t plainLength =
        DecryptContent(content, size, signing.contentKey.data(), ContentIvFor(from).data(), content);
    const std::vector<uint8_t> cipher = EncryptContent(content, static_cast<size_t>(plainLength),
                                                       signing.contentKey.data(), ContentIvFor(to).data());
    ASSERT_EQ(cipher.size(), static_cast<size_t>(size));
    std::copy(cipher.begin(), cipher.end(), content);
    WriteBytes(to, bytes);
    AppendSignature(to);
}
