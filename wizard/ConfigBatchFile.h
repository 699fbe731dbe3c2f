// Identification of a package file named by the configuration file.
#pragma once

#include <cstddef>
#include <string>

class CTVXUpgradeDlg;

// Loads the file as a package (authenticated) and reads from its first part
// the firmware and loader versions, product id and hardware-variant codes
// into the batch arrays at `slot`, with the package's number of parts and the
// terminal type its catalog names. False when the file cannot be identified
// or names no terminal type.
bool IdentifyBatchFile(CTVXUpgradeDlg &dialog, const std::string &path, std::size_t slot);
