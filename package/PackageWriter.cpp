#include "PackageWriter.h"

#include <cctype>
#include <cstring>
#include <memory>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include "AtomicFile.h"
#include "PathName.h"

namespace {

struct BioFree {
    void operator()(BIO *bio) const { BIO_free(bio); }
};
struct KeyFree {
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
struct DigestFree {
    void operator()(EVP_MD_CTX *context) const { EVP_MD_CTX_free(context); }
};
struct CipherFree {
    void operator()(EVP_CIPHER_CTX *context) const { EVP_CIPHER_CTX_free(context); }
};

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
    SignedOutput(tvx::AtomicFile &file, EVP_MD_CTX *digest) : file(file), digest(digest) {}

    bool Write(const uint8_t *data, size_t length)
    {
        return length == 0 || (file.Write(data, length) && EVP_DigestSignUpdate(digest, data, length) == 1);
    }

    bool WriteZeros(size_t length)
    {
        static const uint8_t zeros[kEntryBlockLength] = {};
        for (; length > 0; length -= std::min(length, sizeof zeros))
            if (!Write(zeros, std::min(length, sizeof zeros)))
                return false;
        return true;
    }

private:
    tvx::AtomicFile &file;
    EVP_MD_CTX *digest;
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
    if (!out.Write(header, sizeof header) || !out.Write(cipher.data(), cipher.size()) || !out.WriteZeros(padding)) {
        *error = "cannot write entry \"" + name + "\"";
        return false;
    }
    return true;
}

bool WriteAll(tvx::AtomicFile &file, const PackageContents &contents, const PackageSigning &signing,
              const uint8_t *iv, std::string *error)
{
    const std::unique_ptr<BIO, BioFree> source(
        BIO_new_mem_buf(signing.signingKeyPem.data(), static_cast<int>(signing.signingKeyPem.size())));
    const std::unique_ptr<EVP_PKEY, KeyFree> key(
        source ? PEM_read_bio_PrivateKey(source.get(), nullptr, nullptr, nullptr) : nullptr);
    const std::unique_ptr<EVP_MD_CTX, DigestFree> digest(EVP_MD_CTX_new());
    if (!key || !digest || EVP_DigestSignInit(digest.get(), nullptr, EVP_sha512(), nullptr, key.get()) != 1) {
        *error = "the signing key is not a usable private key";
        return false;
    }
    SignedOutput out(file, digest.get());
    const auto *catalog = reinterpret_cast<const uint8_t *>(contents.catalog.data());
    if (!WriteEntry(out, "catalog.json.enc", catalog, contents.catalog.size(), signing, iv, error))
        return false;
    for (const PackagePart &part : contents.parts)
        if (!WriteEntry(out, part.entryName, part.image.data(), part.image.size(), signing, iv, error))
            return false;
    if (!out.WriteZeros(2 * kEntryBlockLength)) { // tar end-of-archive marker
        *error = "cannot write the end of the archive";
        return false;
    }
    std::vector<uint8_t> signature(static_cast<size_t>(EVP_PKEY_get_size(key.get())));
    size_t signatureLength = signature.size();
    if (EVP_DigestSignFinal(digest.get(), signature.data(), &signatureLength) != 1 ||
        signatureLength != kSignatureLength) {
        *error = "the signing key does not make 512-byte signatures (RSA-4096 needed)";
        return false;
    }
    if (!file.Write(signature.data(), signatureLength)) {
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

std::vector<uint8_t> EncryptContent(const uint8_t *plain, size_t length, const uint8_t *key, const uint8_t *iv)
{
    const std::unique_ptr<EVP_CIPHER_CTX, CipherFree> context(EVP_CIPHER_CTX_new());
    if (!context || length > INT32_MAX - 32)
        return {};
    std::vector<uint8_t> cipher(length + 16);
    int updated = 0;
    int finished = 0;
    if (EVP_EncryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, key, iv) != 1 ||
        EVP_EncryptUpdate(context.get(), cipher.data(), &updated, plain, static_cast<int>(length)) != 1 ||
        EVP_EncryptFinal_ex(context.get(), cipher.data() + updated, &finished) != 1)
        return {};
    cipher.resize(static_cast<size_t>(updated + finished));
    return cipher;
}

std::array<uint8_t, 32> ContentIvFor(const std::string &packagePath)
{
    const std::string_view name = tvx::FileNameOfPath(packagePath);
    std::array<uint8_t, 32> iv{};
    EVP_Digest(name.data(), name.size(), iv.data(), nullptr, EVP_sha256(), nullptr);
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
    if (digits.size() != 2 * kContentKeyLength)
        return false;
    for (size_t i = 0; i < key->size(); ++i)
        (*key)[i] = static_cast<uint8_t>(HexDigit(digits[2 * i]) << 4 | HexDigit(digits[2 * i + 1]));
    return true;
}

bool WritePackage(const std::string &outputPath, const PackageContents &contents, const PackageSigning &signing,
                  std::string *error)
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
