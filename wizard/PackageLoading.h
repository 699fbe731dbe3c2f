// Loading the chosen package file for the selected terminal, shared by the
// package step and each file's turn in a batch.
#pragma once

class CTVXUpgradeDlg;

enum class PackageLoad {
    Loaded,
    Unreadable,     // not a package that loads and authenticates
    NotForTerminal, // CheckPackageFitsDevice refused it
    NoParts,        // nothing to write
};

// Releases the previous package, loads packagePath as loadedPackage, checks
// it against the terminal and puts the cursor on its first part (currentPart,
// partCount; partsRemaining 0).
PackageLoad LoadPackageForTerminal(CTVXUpgradeDlg &dialog);

// The box that tells why a package was refused: text 160, or the
// product-mismatch box.
void ShowPackageRefusal(CTVXUpgradeDlg &dialog, PackageLoad result);

// Versions of the first part: from the suffix for BCD terminals, from the
// header's identification number for three-part ones. False when unreadable.
bool IdentifyFirstPart(CTVXUpgradeDlg &dialog);
