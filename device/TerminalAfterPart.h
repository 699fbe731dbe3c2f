// The terminal's versions as read after a part, in the form it answered.
#pragma once

#include <cstdint>
#include <string>

struct TerminalAfterPart {
    uint16_t deviceFirmwareVersion = 0; // BCD
    uint16_t deviceLoaderVersion = 0;
    uint32_t deviceFirmwareVersion3 = 0; // three numbers
    uint32_t deviceLoaderVersion3 = 0;
    std::string deviceFirmwareText;
    std::string deviceLoaderText;
};
