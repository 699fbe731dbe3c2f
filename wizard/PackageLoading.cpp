#include "PackageLoading.h"

#include "CTVXUpgradeDlg.h"
#include "Package.h"
#include "Versions.h"

PackageLoad LoadPackageForTerminal(CTVXUpgradeDlg &dialog)
{
    FreePackage(dialog.loadedPackage);
    dialog.currentPart = nullptr; // it pointed into the released package
    dialog.loadedPackage = NewPackageRecord();
    if (!LoadPackage(dialog.packagePath.c_str(), dialog.loadedPackage))
        return PackageLoad::Unreadable;
    if (dialog.CheckPackageFitsDevice() != 0)
        return PackageLoad::NotForTerminal;

    dialog.partCount = 0;
    dialog.partsRemaining = 0;
    PartNode *const parts = dialog.loadedPackage->parts;
    dialog.loadedPackage->cursor = parts;
    if (!parts)
        return PackageLoad::NoParts;
    dialog.currentPart = parts->entry;
    for (const PartNode *node = parts; node; node = node->next)
        ++dialog.partCount;
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
    const PackageEntry *part = dialog.currentPart;
    if (dialog.threePartVersion != 1)
        return dialog.IdentifyImage(part, &dialog.packageFirmwareVersion, &dialog.packageLoaderVersion,
                                    &dialog.packageProductId) == 0;
    if (!part || !part->data)
        return false;
    const uint32_t word = headerWord(part);
    if (HeaderGeneration(word) != 1)
        return true;
    ImageVersions unused; // only the identification number is kept
    return ReadImageVersions(part, word, &unused, &dialog.packageIdentNumber) == 0;
}
