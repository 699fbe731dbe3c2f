// The package reader after authentication: a catalog entry and part entries
// built from fuzzed pieces, read as the loader reads a verified file.
//
// Input: a byte with the entry count (1 + n % 5), then per entry a form byte,
// a name (length byte, bytes), a content (16-bit length, bytes; a valid DFU
// suffix is added behind it when PartSuffix), the size
// field's 12 bytes when FuzzedSize, a 16-bit offset and 8 header bytes when
// FuzzedHeader; then a byte whose low bit ends the file with the tar end
// marker and the rest as signature block, or else the rest as the file's end.
#include <algorithm>

#include "tests/fuzz/PackageBytes.h"

using namespace tvx::fuzz;

namespace {

enum EntryForm : uint8_t {
    RawContent = 1,     // the content as given, not encrypted
    FuzzedSize = 2,     // the size field from the input
    FuzzedHeader = 4,   // a few header bytes from the input
    ExtraZeroBlock = 8, // one more block of zeros behind the content
    PartSuffix = 16     // a valid DFU suffix behind the content, as part images end
};

void AddFuzzedEntry(PackageBytes &package, ByteReader &in)
{
    const uint8_t form = in.Byte();
    const std::string name = in.Text(in.Byte());
    const std::string text = in.Text(in.Word());
    const std::string plain = (form & PartSuffix) ? PartImage(text) : text;
    const std::vector<uint8_t> content =
        (form & RawContent) ? std::vector<uint8_t>(plain.begin(), plain.end()) : package.Encrypt(plain);
    const std::vector<uint8_t> size = (form & FuzzedSize) ? in.Bytes(12) : std::vector<uint8_t>{};
    const std::size_t patchAt = (form & FuzzedHeader) ? in.Word() % kEntryBlockLength : 0;
    const std::vector<uint8_t> patch = (form & FuzzedHeader) ? in.Bytes(8) : std::vector<uint8_t>{};
    package.AddEntry(name, content, [&](uint8_t *header) {
        std::copy(size.begin(), size.end(), header + 124);
        std::copy_n(patch.begin(), std::min(patch.size(), kEntryBlockLength - patchAt), header + patchAt);
    });
    if (form & ExtraZeroBlock)
        package.AddZeroBlocks(1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static PackageBytes *const keys = new PackageBytes; // key and IV once per process
    PackageBytes package = *keys;
    ByteReader in(data, size);
    const int entries = 1 + in.Byte() % 5;
    for (int n = 0; n < entries && in.Remaining() > 0; ++n)
        AddFuzzedEntry(package, in);
    if (in.Byte() & 1)
        package.Finish(in.Bytes(kSignatureLength));
    else
        package.Append(in.Rest()); // a file that ends anywhere

    std::vector<uint8_t> bytes = package.bytes();
    PackageRecord *record = NewPackageRecord();
    CatalogStop stop = CatalogStop::None;
    const SignedBytes signedBytes = SignedPart(&bytes);
    const int32_t result = ReadPackageCatalog(signedBytes, record, &stop);

    Expect(result == 0 || result == PKG_ERR_READ || result == PKG_ERR_NO_MEMORY, "result code");
    if (result == 0 && stop == CatalogStop::None)
        Expect(record->catalog != nullptr && record->parts != nullptr, "complete record");
    CheckRecord(*record, signedBytes);
    FreePackage(record);
    return 0;
}
