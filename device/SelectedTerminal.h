// The terminal chosen in the device list and what it told about itself when
// it was selected and when each part started.
#pragma once

#include <cstdint>
#include <string>

struct SelectedTerminal {
    int32_t selectedDeviceNumber = 0; // list row plus one; 0 = no row selected
    char selectedDeviceId[17] = {};   // the row's ID number, compared in either case
    uint32_t dfuAttributes = 0;       // only the can-upload bit is kept
    std::string selectedProductInfo;
    uint32_t threePartVersion = 0; // 1: versions are three numbers, else BCD
    uint32_t deviceInDfuMode = 0;
    uint32_t secondVendorDevice = 0;
    uint32_t deviceType = 0;
    uint16_t deviceExtraValue = 0;
    char deviceIdentText[130] = {};
    uint32_t deviceIdentNumber = 0; // build number from deviceIdentText
    uint16_t firmwareVersionBefore = 0;
    uint16_t loaderVersionBefore = 0;
    uint32_t firmwareVersion3 = 0;
    uint32_t loaderVersion3 = 0;
    std::string firmwareVersionText;
    std::string loaderVersionText;
};
