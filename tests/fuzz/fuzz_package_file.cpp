// The package file layer: a real file opened, judged by its size, its
// signature block read and checked, its signed bytes read once and loaded.
// A fuzzer cannot forge the RSA signature, so the harness starts from one
// genuine package and the input changes it: the bytes before the signature
// block, their length, the block itself, the file's name, or a sparse file
// past the size cap that ends in the genuine block.
//
// Input: a form byte (see Form), the block's 512 bytes when FuzzedBlock, a
// 16-bit signed change of the signed bytes' length (cut, or zeros added),
// then pairs of a 16-bit offset and a byte XORed into the signed bytes there.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "dfulib/suffix/DfuSuffix.h"
#include "tests/fuzz/GenuinePackage.h"
#include "tests/fuzz/PackageBytes.h"

using namespace tvx::fuzz;

namespace {

enum Form : uint8_t {
    FuzzedBlock = 1, // the signature block from the input
    Oversized = 2,   // a hole behind the signed bytes up to just past the size cap
    Renamed = 4      // the file under another name, so another content IV
};

struct SplitFile {
    std::vector<uint8_t> signedBytes;
    std::vector<uint8_t> block;
};

const SplitFile &Genuine()
{
    static const SplitFile genuine = [] {
        std::vector<uint8_t> image(600, 0x5A);
        uint8_t suffix[tvx::kDfuSuffixLength];
        tvx::WriteDfuSuffix(image.data(), image.size(), 0x0407, 0x0470, tvx::kVornVendorId, suffix);
        image.insert(image.end(), suffix, suffix + sizeof suffix);
        const std::string path = (ScratchFolder() / "genuine.ppu").string();
        WriteGenuinePackage(
            path, {R"({"Catalog version": "2", "File list": [{"File name": "fw.bin", "Type": "Firmware"}]})",
                   {{"fw.bin.enc", image}}});
        std::ifstream file(path, std::ios::binary);
        std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        Expect(bytes.size() > kSignatureLength, "genuine package read");
        SplitFile split;
        split.block.assign(bytes.end() - kSignatureLength, bytes.end());
        bytes.resize(bytes.size() - kSignatureLength);
        split.signedBytes = std::move(bytes);
        return split;
    }();
    return genuine;
}

void WriteFile(const std::string &path, const SplitFile &file, bool oversized)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(file.signedBytes.data()),
               static_cast<std::streamsize>(file.signedBytes.size()));
    if (oversized)
        std::filesystem::resize_file(path, static_cast<uintmax_t>(kMaxPackageLength + 1) - file.block.size());
    std::ofstream(path, std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char *>(file.block.data()),
               static_cast<std::streamsize>(file.block.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const SplitFile &genuine = Genuine();
    ByteReader in(data, size);
    const uint8_t form = in.Byte();
    SplitFile file = genuine;
    if (form & FuzzedBlock)
        file.block = in.Bytes(kSignatureLength);
    const auto change = static_cast<int16_t>(in.Word());
    file.signedBytes.resize(static_cast<size_t>(std::max<int64_t>(
                                0, int64_t{change} + static_cast<int64_t>(file.signedBytes.size()))),
                            0);
    while (in.Remaining() >= 3) {
        const uint16_t at = in.Word();
        const uint8_t flip = in.Byte();
        if (!file.signedBytes.empty())
            file.signedBytes[at % file.signedBytes.size()] ^= flip;
    }

    const std::string path = (ScratchFolder() / ((form & Renamed) ? "renamed.ppu" : "genuine.ppu")).string();
    WriteFile(path, file, form & Oversized);
    PackageRecord *record = NewPackageRecord();
    const LoadFailure failure = LoadPackageChecked(path.c_str(), record);

    const bool unchanged = file.signedBytes == genuine.signedBytes && file.block == genuine.block;
    if (form & Oversized)
        Expect(failure == LoadFailure::NoSignatureBlock, "a file past the size cap is refused by its size");
    else if (file.signedBytes.size() + file.block.size() < kSignatureLength)
        Expect(failure == LoadFailure::NoSignatureBlock, "a file shorter than a signature block");
    else if (!unchanged)
        Expect(failure == LoadFailure::SignatureMismatch, "a changed file is refused by its signature");
    else
        Expect(failure == ((form & Renamed) ? LoadFailure::CatalogUnparsable : LoadFailure::None),
               "the genuine file loads under its own name only");
    if (failure == LoadFailure::None)
        CheckRecord(*record, {record->signedBytes, static_cast<int32_t>(file.signedBytes.size())});
    FreePackage(record);
    ::unlink(path.c_str()); // a sparse file takes no room, but tidy
    return 0;
}
