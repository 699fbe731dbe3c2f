// The package chosen at the package step, the part of it being written, and
// the versions its images state.
#pragma once

#include <cstdint>
#include <string>

#include "package/PackageRecord.h"

struct LoadedPackage {
    std::string packagePath; // while a part is written: that part's name
    std::string backupPath;  // empty: no backup
    // Owned: freed with FreePackage before another is loaded and before the
    // group is reset.
    PackageRecord *loadedPackage = nullptr;
    PackageEntry *currentPart = nullptr; // points into loadedPackage
    uint32_t partCount = 0;
    uint32_t partsRemaining = 0;              // after the part just finished
    uint16_t packageFirmwareVersion = 0xFFFF; // 0xFFFF: none read yet
    uint16_t packageLoaderVersion = 0;
    uint16_t packageProductId = 0;
    uint32_t loaderOnlyPackage = 0;
    std::string packageFirmwareText;
    std::string packageLoaderText;
    uint32_t packageFirmwareVersion3 = 0;
    uint32_t packageLoaderVersion3 = 0;
    uint32_t packageIdentNumber = 0;
};
