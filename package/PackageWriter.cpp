#include "package/PackageWriter.h"

#include <cctype>
#include <cstring>
#include <algorithm>
#include <climits>

#include "dfulib/atomicfile/AtomicFile.h"
#include "package/Crypto.h"
#include "platform/PathName.h"

namespace {

// Zero-padded octal digits filling width - 1 bytes, then a NUL.
void PutOctal(uint8_t *field, size_t width, uint64_t value)
{
    field[width - 1] = '\0';
    for (size_t i = width - 1; i-- > 0; value >>= 3)
        field[i] = static_cast<uint8_t>('0' + (value & 7));
}

// Everything written before the signature block goes through here, so that
// the signature covers exactly those bytes.
class SignedOutput {
public:
    explicit SignedOutput(tvx::AtomicFile &out) : file(out) {}

    bool Write(const uint8_t *data, size_t length)
    {
        return length == 0 || (file.Write(data, length) && digest.Add(data, length) == 0);
    }

    bool WriteZeros(size_t length)
    {
        static const uint8_t zeros[kEntryBlockLength] = {};
        for (; length > 0; length -= std::min(length, sizeof zeros))
            if (!Write(zeros, std::min(length, sizeof zeros)))
                return false;
        return true;
    }

    // The signature over what was written.
    bool Sign(const std::string &signingKeyPem, std::vector<uint8_t> *signature)
    {
        uint8_t sha512[tvx::crypto::kSha512Length];
        return digest.Finish(sha512) == 0 &&
               tvx::crypto::SignSha512Digest(signingKeyPem, sha512, signature) == 0;
    }

private:
    tvx::AtomicFile &file;
    tvx::crypto::Hash digest{tvx::crypto::HashKind::Sha512};
};

bool WriteEntry(SignedOutput &out, const std::string &name, const uint8_t *plain, size_t length,
                const PackageSigning &signing, const uint8_t *iv, std::string *error)
{
    const std::vector<uint8_t> cipher = EncryptContent(plain, length, signing.contentKey.data(), iv);
    uint8_t header[kEntryBlockLength];
    if (cipher.empty() || cipher.size() > INT32_MAX) {
        *error = "entry \"" + name + "\" cannot be encrypted";
        return false;
    }
    if (!FormatEntryHeader(name, cipher.size(), header)) {
        *error = "entry name \"" + name + "\" is longer than 100 bytes";
        return false;
    }
    const size_t rest = cipher.size() % kEntryBlockLength;
    const size_t padding = rest ? kEntryBlockLength - rest : (signing.extraBlock ? kEntryBlockLength : 0);
    if (!out.Write(header, sizeof header) || !out.Write(cipher.data(), cipher.size()) ||
        !out.WriteZeros(padding)) {
        *error = "cannot write entry \"" + name + "\"";
        return false;
    }
    return true;
}

bool WriteAll(tvx::AtomicFile &file, const PackageContents &contents, const PackageSigning &signing,
              const uint8_t *iv, std::string *error)
{
    SignedOutput out(file);
    const auto *catalog = reinterpret_cast<const uint8_t *>(contents.catalog.data());
    if (!WriteEntry(out, "catalog.json.enc", catalog, contents.catalog.size(), signing, iv, error))
        return false;
    for (const PackagePart &part : contents.parts)
        if (!WriteEntry(out, part.entryName, part.image.data(), part.image.size(), signing, iv, error))
            return false;
    if (!out.WriteZeros(size_t{2} * kEntryBlockLength)) { // tar end-of-archive marker
        *error = "cannot write the end of the archive";
        return false;
    }
    std::vector<uint8_t> signature;
    if (!out.Sign(signing.signingKeyPem, &signature)) {
        *error = "the signing key is not a usable private key";
        return false;
    }
    if (signature.size() != kSignatureLength) {
        *error = "the signing key does not make 512-byte signatures (RSA-4096 needed)";
        return false;
    }
    if (!file.Write(signature.data(), signature.size())) {
        *error = "cannot write the signature block";
        return false;
    }
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

} // namespace

bool FormatEntryHeader(const std::string &name, uint64_t size, uint8_t header[kEntryBlockLength])
{
    if (name.empty() || name.size() > 100)
        return false;
    std::memset(header, 0, kEntryBlockLength);
    std::memcpy(header, name.data(), name.size());
    PutOctal(header + 100, 8, 0644); // mode
    PutOctal(header + 108, 8, 0);    // uid
    PutOctal(header + 116, 8, 0);    // gid
    PutOctal(header + 124, 12, size);
    PutOctal(header + 136, 12, 0); // mtime: reproducible packages
    header[156] = '0';             // regular file
    std::memcpy(header + 257, "ustar", 6);
    std::memcpy(header + 263, "00", 2);
    std::memset(header + 148, ' ', 8);
    unsigned int checksum = 0;
    for (int i = 0; i < kEntryBlockLength; ++i)
        checksum += header[i];
    PutOctal(header + 148, 7, checksum);
    header[155] = ' ';
    return true;
}

std::vector<uint8_t> EncryptContent(const uint8_t *plain, size_t length, const uint8_t *key,
                                    const uint8_t *iv)
{
    constexpr size_t kBlock = tvx::crypto::kAesBlockLength;
    if (length > INT32_MAX - 32)
        return {};
    // Standard padding, added here as the reader checks it: 1 to 16 bytes,
    // each holding their count.
    const size_t padding = kBlock - length % kBlock;
    std::vector<uint8_t> cipher(plain, plain + length);
    cipher.resize(length + padding, static_cast<uint8_t>(padding));
    if (tvx::crypto::Aes256Cbc(tvx::crypto::AesDirection::Encrypt, key, iv, cipher.data(), cipher.size(),
                               cipher.data()) != 0)
        return {};
    return cipher;
}

std::array<uint8_t, 32> ContentIvFor(const std::string &packagePath)
{
    const std::string_view name = tvx::FileNameOfPath(packagePath);
    std::array<uint8_t, 32> iv{};
    tvx::crypto::Digest(tvx::crypto::HashKind::Sha256, name.data(), name.size(), iv.data());
    return iv;
}

bool ParseContentKeyHex(const std::string &text, std::array<uint8_t, kContentKeyLength> *key)
{
    std::string digits;
    bool comment = false;
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart)
            comment = c == '#';
        lineStart = c == '\n';
        if (comment || std::isspace(static_cast<unsigned char>(c)))
            continue;
        if (HexDigit(c) < 0)
            return false;
        digits += c;
    }
    if (digits.size() != size_t{2} * kContentKeyLength)
        return false;
    for (size_t i = 0; i < key->size(); ++i)
        (*key)[i] = static_cast<uint8_t>(HexDigit(digits[2 * i]) << 4 | HexDigit(digits[2 * i + 1]));
    return true;
}

bool WritePackage(const std::string &outputPath, const PackageContents &contents,
                  const PackageSigning &signing, std::string *error)
{
    if (tvx::FileNameOfPath(outputPath).empty()) {
        *error = outputPath + ": the output path names no file";
        return false;
    }
    const std::array<uint8_t, 32> iv = ContentIvFor(outputPath);
    // An existing package of that name stays as it was until the new one is
    // complete.
    tvx::AtomicFile file(outputPath);
    if (!file.Open()) {
        *error = outputPath + " " + file.Problem();
        return false;
    }
    if (!WriteAll(file, contents, signing, iv.data(), error)) {
        *error = outputPath + ": " + (error->empty() ? file.Problem() : *error);
        return false;
    }
    if (!file.Commit()) {
        *error = outputPath + " " + file.Problem();
        return false;
    }
    if (!file.Warning().empty())
        *error = outputPath + " " + file.Warning();
    return true;
}
