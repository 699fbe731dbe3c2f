// The catalog walk: fuzzed JSON text as the catalog of a package whose part
// entries are fixed part images, read into a record as after authentication.
#include "tests/fuzz/PackageBytes.h"

using namespace tvx::fuzz;

namespace {

// Entry names the seed catalogs list; the fuzzer finds them there.
constexpr const char *kPartEntries[] = {"pre.bin.enc", "boot.bin.enc", "fw.bin.enc", "fw2.bin.ENC",
                                        "plain.bin"};

std::vector<uint8_t> PackageWithCatalog(const std::string &catalog)
{
    static PackageBytes *const keys = new PackageBytes;
    PackageBytes package = *keys;
    package.AddEntry("catalog.json.enc", package.Encrypt(catalog));
    for (std::size_t n = 0; n < std::size(kPartEntries); ++n)
        package.AddEntry(kPartEntries[n],
                         package.Encrypt(PartImage(std::string(40 + n, static_cast<char>('a' + n)))));
    package.Finish({});
    return package.bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<uint8_t> bytes = PackageWithCatalog(std::string(reinterpret_cast<const char *>(data), size));
    PackageRecord *record = NewPackageRecord();
    CatalogStop stop = CatalogStop::None;
    const SignedBytes signedBytes = SignedPart(&bytes);
    const int32_t result = ReadPackageCatalog(signedBytes, record, &stop);

    Expect(result == 0 || result == PKG_ERR_READ, "only a list longer than the entries fails to read");
    if (result == 0 && stop == CatalogStop::None)
        Expect(record->catalog != nullptr, "catalog values");
    if (stop == CatalogStop::Unparsable)
        Expect(record->catalog == nullptr && record->parts == nullptr, "nothing read from a bad catalog");
    CheckRecord(*record, signedBytes);
    FreePackage(record);
    return 0;
}
