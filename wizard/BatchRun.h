// The batch named by the configuration file, applied file after file to the
// one selected terminal.
#pragma once

#include <cstdint>
#include <string>

class CTVXUpgradeDlg;

// Makes the index-th named file the package to apply: its package-list entry
// is selected and becomes packagePath, with the versions read when matching.
void SelectBatchFile(CTVXUpgradeDlg &dialog, uint32_t index);

// File name of the batch file being applied, from its package-list entry
// (packagePath names the part while a part is written).
std::string CurrentBatchFileName(const CTVXUpgradeDlg &dialog);

// Adds a line naming the batch file that failed to the status text.
void NameFailedBatchFile(CTVXUpgradeDlg &dialog);
