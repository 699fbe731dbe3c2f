// Packages and a configuration file for batch runs, on top of the driver
// fixture: the files are written before the wizard opens, as a technician
// leaves them in the folder the wizard starts in.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/DriveFixture.h"

// A one-part firmware package for the three-part VORN 470 (loader 1.4.2):
// firmware `firmware` (0xMMmmpp), accepted on a terminal running `supports`.
inline TestPackage Firmware470(uint32_t firmware, const std::string &supports, uint16_t productId = 0x1200)
{
    TestPackage package;
    package.parts = {ThreePartFirmware(firmware, 0x010402, 20000 + (firmware & 0xFFFF))};
    package.parts[0].image.productId = productId;
    package.loaderVersions = {"1.4.2"};
    package.firmwareVersions = {supports};
    return package;
}

// A package for `terminalType` whose first part is a BCD image naming these
// hardware-variant codes; good for matching and listing, never written.
inline TestPackage HardwarePackage(uint16_t productId, std::vector<uint16_t> codes,
                                   const std::string &terminalType = "460")
{
    TestPart part = BcdPart("Firmware", 0x0302, 0x0110);
    part.image.productId = productId;
    part.image.hardware = std::move(codes);
    TestPackage package;
    package.terminalType = terminalType;
    package.parts = {part};
    package.loaderVersions = {"1.10"};
    package.firmwareVersions = {"3.02"};
    return package;
}

class BatchTest : public DriveTest {
protected:
    void WriteIni(const std::string &text)
    {
        std::ofstream(folder + "/TVXUpgrade.ini", std::ios::binary) << text;
    }

    // Whether the folder keeps apart two names that differ only in letter
    // case: Linux's file systems do; Windows' open the first file by the
    // second name, so writing both leaves one file with the first name and
    // the second text.
    bool NamesDifferInCase() const
    {
        std::ofstream(folder + "/case-probe") << "";
        const bool apart = !std::filesystem::exists(folder + "/CASE-PROBE");
        std::filesystem::remove(folder + "/case-probe");
        return apart;
    }

    std::vector<std::string> ListedIds() const
    {
        std::vector<std::string> ids;
        ids.reserve(static_cast<size_t>(Window().ListRowCount(D::deviceList)));
        for (int row = 0; row < Window().ListRowCount(D::deviceList); ++row)
            ids.push_back(Window().ListItemText(D::deviceList, row, 2));
        return ids;
    }
};
