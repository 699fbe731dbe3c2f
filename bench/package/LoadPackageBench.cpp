// LoadPackage against the bare OpenSSL work on the same file: SHA-512 of the
// signed bytes plus AES-256-CBC decryption of as many bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

#include <openssl/evp.h>

#include "dfulib/suffix/DfuSuffix.h"
#include "package/Package.h"
#include "package/PackageWriter.h"

namespace {

constexpr size_t kMiB = 1 << 20;

std::string TempFolder()
{
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "tvx-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        std::atexit([] { std::filesystem::remove_all(TempFolder()); });
        return pattern;
    }();
    return folder;
}

// A package of about `mebibytes` MiB: the catalog and one firmware part.
const std::string &PackageOf(int mebibytes)
{
    static std::map<int, std::string> paths;
    auto &path = paths[mebibytes];
    if (!path.empty())
        return path;
    path = TempFolder() + "/Bench_" + std::to_string(mebibytes) + ".ppu";
    std::vector<uint8_t> image(static_cast<size_t>(mebibytes) * kMiB - 4096);
    const size_t payload = image.size() - tvx::kDfuSuffixLength;
    for (size_t i = 0; i < payload; ++i)
        image[i] = static_cast<uint8_t>(i * 131 + (i >> 12));
    tvx::WriteDfuSuffix(image.data(), payload, 0x0407, 0x0470, tvx::kVornVendorId, &image[payload]);
    PackageSigning signing;
    std::ifstream key(TVX_DEV_KEYS_DIR "/package-signing.pem");
    signing.signingKeyPem.assign(std::istreambuf_iterator<char>(key), std::istreambuf_iterator<char>());
    BuildContentKey(signing.contentKey.data());
    const PackageContents contents = {
        R"({"Catalog version": "2", "File list": [{"File name": "fw.bin", "Type": "Firmware"}]})",
        {{"fw.bin.enc", std::move(image)}}};
    std::string error;
    if (!WritePackage(path, contents, signing, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::abort();
    }
    return path;
}

void BM_LoadPackage(benchmark::State &state)
{
    const std::string &path = PackageOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        PackageRecord *record = NewPackageRecord();
        if (!LoadPackage(path.c_str(), record))
            state.SkipWithError("package refused");
        FreePackage(record);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(path)));
}

// The raw work: one pass over the signed bytes into SHA-512 and AES-256-CBC.
void BM_RawOpenSsl(benchmark::State &state)
{
    const std::string &path = PackageOf(static_cast<int>(state.range(0)));
    const size_t signedLength = std::filesystem::file_size(path) - kSignatureLength;
    std::vector<uint8_t> chunk(kMiB);
    std::vector<uint8_t> plain(kMiB + 32);
    uint8_t key[32] = {};
    uint8_t iv[16] = {};
    uint8_t digest[64];
    for (auto _ : state) {
        FILE *file = std::fopen(path.c_str(), "rb");
        EVP_MD_CTX *sha = EVP_MD_CTX_new();
        EVP_CIPHER_CTX *aes = EVP_CIPHER_CTX_new();
        EVP_DigestInit_ex(sha, EVP_sha512(), nullptr);
        EVP_DecryptInit_ex(aes, EVP_aes_256_cbc(), nullptr, key, iv);
        EVP_CIPHER_CTX_set_padding(aes, 0);
        for (size_t left = signedLength; left > 0;) {
            const size_t n = std::fread(chunk.data(), 1, std::min(left, kMiB), file);
            int out = 0;
            EVP_DigestUpdate(sha, chunk.data(), n);
            EVP_DecryptUpdate(aes, plain.data(), &out, chunk.data(), static_cast<int>(n));
            left -= n;
        }
        EVP_DigestFinal_ex(sha, digest, nullptr);
        benchmark::DoNotOptimize(digest);
        benchmark::DoNotOptimize(plain.data());
        EVP_CIPHER_CTX_free(aes);
        EVP_MD_CTX_free(sha);
        std::fclose(file);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(signedLength));
}

} // namespace

BENCHMARK(BM_LoadPackage)->Arg(1)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawOpenSsl)->Arg(1)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
