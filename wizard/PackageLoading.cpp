#include "wizard/PackageLoading.h"

#include "package/Package.h"
#include "versions/Versions.h"
#include "wizard/CTVXUpgradeDlg.h"

PackageLoad LoadPackageForTerminal(CTVXUpgradeDlg &dialog)
{
    // Changes: package.
    FreePackage(dialog.package.loadedPackage);
    dialog.package.currentPart = nullptr; // it pointed into the released package
    dialog.package.loadedPackage = NewPackageRecord();
    if (!LoadPackage(dialog.package.packagePath.c_str(), dialog.package.loadedPackage))
        return PackageLoad::Unreadable;
    if (dialog.CheckPackageFitsDevice() != 0)
        return PackageLoad::NotForTerminal;

    dialog.package.partCount = 0;
    dialog.package.partsRemaining = 0;
    PartNode *const parts = dialog.package.loadedPackage->parts;
    dialog.package.loadedPackage->cursor = parts;
    if (!parts)
        return PackageLoad::NoParts;
    dialog.package.currentPart = parts->entry;
    for (const PartNode *node = parts; node; node = node->next)
        ++dialog.package.partCount;
    return PackageLoad::Loaded;
}

void ShowPackageRefusal(CTVXUpgradeDlg &dialog, PackageLoad result)
{
    if (result == PackageLoad::NotForTerminal)
        dialog.ShowProductMismatchBox();
    else if (result != PackageLoad::Loaded)
        dialog.localMessageBox(160, tvx::MB_ICONERROR);
}

bool IdentifyFirstPart(CTVXUpgradeDlg &dialog)
{
    // Changes: package.
    const PackageEntry *part = dialog.package.currentPart;
    if (dialog.terminal.threePartVersion != 1)
        return dialog.IdentifyImage(part, &dialog.package.packageFirmwareVersion,
                                    &dialog.package.packageLoaderVersion,
                                    &dialog.package.packageProductId) == 0;
    if (!part || !part->data)
        return false;
    const uint32_t word = headerWord(part);
    if (HeaderGeneration(word) != 1)
        return true;
    ImageVersions unused; // only the identification number is kept
    return ReadImageVersions(part, word, &unused, &dialog.package.packageIdentNumber) == 0;
}
