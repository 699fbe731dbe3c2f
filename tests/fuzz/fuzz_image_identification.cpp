// A part image's versions and product id, read from its DFU suffix and
// header at the package step, and shown in the dialog's version row.
#include <cstring>
#include <memory>

#include "platform/ScriptedWindow.h"
#include "tests/fuzz/FuzzSupport.h"
#include "versions/Versions.h"
#include "wizard/CTVXUpgradeDlg.h"

using namespace tvx::fuzz;

namespace {

struct Dialog {
    tvx::ScriptedWindow window{90};
    MonitorMemory monitor;
    CTVXUpgradeDlg dialog{window, monitor};
};

void CheckImageVersions(const PackageEntry &part)
{
    ImageVersions versions;
    versions.firmwareText = "untouched";
    uint32_t ident = 0xDEADBEEF;
    const uint32_t word = headerWord(&part);
    const UpgradeResult result = ReadImageVersions(&part, word, &versions, &ident);
    Expect(result == 0 || result == UPG_BAD_FIRMWARE_FORMAT, "header result");
    if (result != 0)
        Expect(versions.firmwareText == "untouched" && ident == 0xDEADBEEF, "nothing written on failure");
    else if (HeaderGeneration(word) != 1)
        Expect(ident == 0xDEADBEEF, "ident number only from generation-1 headers");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Dialog *const dialog = new Dialog; // one dialog for the whole run
    if (size < 1)
        return 0;
    // The first byte picks the part's type; the rest is the image, in a heap
    // block of exactly its size so that a read past it shows.
    const std::size_t imageSize = size - 1;
    const auto image = std::make_unique<uint8_t[]>(imageSize);
    std::memcpy(image.get(), data + 1, imageSize);
    PartInfo info{};
    char bootloader[] = "Bootloader";
    char firmware[] = "Firmware";
    info.type = (data[0] & 1) ? bootloader : firmware;
    PackageEntry part{};
    part.kind = EntryKindPart;
    part.data = imageSize ? image.get() : nullptr;
    part.size = static_cast<int32_t>(imageSize);
    part.info = &info;

    uint16_t firmwareVersion = 0xFFFF;
    uint16_t loaderVersion = 0xFFFF;
    uint16_t productId = 0;
    const uint32_t identified =
        dialog->dialog.IdentifyImage(&part, &firmwareVersion, &loaderVersion, &productId);
    Expect(identified == 0 || identified == 1006 || identified == 13, "identification result");
    if (identified == 0)
        Expect(IsValidBcdVersion(firmwareVersion) && IsValidBcdVersion(loaderVersion), "BCD versions");
    CheckImageVersions(part);

    // The version row of the package step, with the image as the loaded
    // package's only part; the record is the harness's, not the dialog's.
    PartNode node{&part, nullptr};
    PackageRecord record{};
    record.parts = &node;
    dialog->dialog.package.loadedPackage = &record;
    dialog->dialog.ShowPartVersions(&part);
    dialog->dialog.package.loadedPackage = nullptr;
    return 0;
}
